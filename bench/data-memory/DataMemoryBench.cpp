// Lexer throughput on a large script beside a plain scan of the same bytes (string and stream
// mode); then, in rounds that take turns, a 50 MB blob written beside the same 64 KB pieces
// allocated, filled and freed by hand, and read back beside memcpy.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "../BenchRounds.h"
#include "data/memory/Blob.h"
#include "data/memory/CRParser.h"
#include "platform/core/Streams.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Best of a few runs, to keep the noise of a shared machine out.
template <class F> double Best(F f, int runs = 5) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = Clock::now();
        f();
        best = std::min(best, Seconds(t));
    }
    return best;
}

AnsiString MakeScript(size_t size) {
    std::mt19937 rng(42);
    const char* pieces[] = {"select a.id, b.name, sum(c.amount) as total\r\n",
                            "  from orders a inner join customers b on a.cust = b.id\r\n",
                            "  where a.created >= :from_date and b.region = 'north''s'\r\n",
                            "  group by a.id, b.name having sum(c.amount) > 100.50\r\n",
                            "  order by 3 desc;\r\n",
                            "/* maintenance block: the figures are rebuilt nightly */\r\n",
                            "-- 中文注释 comment line\r\n",
                            "insert into t (x, y) values (1, 'text value');\r\n"};
    AnsiString s;
    s.reserve(size + 200);
    while (s.size() < size)
        s += pieces[rng() % std::size(pieces)];
    return s;
}

} // namespace

int main() {
    const AnsiString script = MakeScript(32u << 20);
    const double mb = static_cast<double>(script.size()) / (1 << 20);

    volatile size_t sink = 0;
    double scan = Best([&] {
        // The plain baseline: classify every byte once.
        size_t blanks = 0;
        for (char c : script)
            blanks += (c == ' ' || c == '\n' || c == '\r' || c == '\t');
        sink = sink + blanks;
    });
    size_t lexemes = 0;
    double lexString = Best(
        [&] {
            TSQLParser p(script);
            AnsiString lexeme;
            size_t n = 0;
            while (p.GetNext(lexeme) != lcEnd)
                ++n;
            lexemes = n;
        },
        3);
    double lexStream = Best(
        [&] {
            TStringStream stream(script);
            TSQLParser p(&stream, nullptr);
            AnsiString lexeme;
            while (p.GetNext(lexeme) != lcEnd) {
            }
        },
        3);
    std::printf("script %.1f MB, %zu lexemes\n", mb, lexemes);
    std::printf("plain scan      %8.1f MB/s\n", mb / scan);
    std::printf("lexer (string)  %8.1f MB/s  = %.1fx slower than the scan\n", mb / lexString,
                lexString / scan);
    std::printf("lexer (stream)  %8.1f MB/s  = %.1fx slower than the scan\n", mb / lexStream,
                lexStream / scan);

    const size_t blobSize = 50u << 20;
    std::vector<uint8_t> source(blobSize), target(blobSize);
    for (size_t i = 0; i < blobSize; ++i)
        source[i] = static_cast<uint8_t>(i * 31);
    std::vector<BenchPhase> phases = {
        {"pieces by hand",
         [&] {
             // The blob's pieces made the plain way: each a header and up to a full piece of data
             // from malloc, filled, chained to the previous one; then all freed.
             auto t = Clock::now();
             struct Piece {
                 Piece* Next;
             };
             Piece* first = nullptr;
             Piece** link = &first;
             for (size_t done = 0; done < blobSize;) {
                 const size_t n = std::min<size_t>(DefaultPieceSize, blobSize - done);
                 auto* piece = static_cast<Piece*>(std::malloc(n + PieceHeaderSize));
                 std::memcpy(reinterpret_cast<uint8_t*>(piece) + PieceHeaderSize, source.data() + done, n);
                 piece->Next = nullptr;
                 *link = piece;
                 link = &piece->Next;
                 done += n;
             }
             sink = sink + reinterpret_cast<uint8_t*>(first)[PieceHeaderSize + 1];
             while (first) {
                 Piece* next = first->Next;
                 std::free(first);
                 first = next;
             }
             return Seconds(t);
         },
         "",
         {}},
        {"blob write",
         [&] {
             auto t = Clock::now();
             TBlob* blob = new TBlob;
             blob->Write(0, static_cast<int64_t>(blobSize), source.data());
             blob->Release();
             return Seconds(t);
         },
         "pieces by hand",
         {}},
        {"memcpy",
         [&] {
             auto t = Clock::now();
             std::memcpy(target.data(), source.data(), blobSize);
             sink = sink + target[blobSize / 2];
             return Seconds(t);
         },
         "",
         {}},
    };
    TBlob* blob = new TBlob;
    blob->Write(0, static_cast<int64_t>(blobSize), source.data());
    phases.push_back({"blob read",
                      [&] {
                          auto t = Clock::now();
                          blob->Read(0, 0, target.data());
                          return Seconds(t);
                      },
                      "memcpy",
                      {}});
    RunRounds(phases, 9);
    bool same = std::memcmp(source.data(), target.data(), blobSize) == 0;
    blob->Release();
    std::printf("50 MB blob, median of 9 rounds taking turns [range]:\n");
    PrintRounds(phases);
    if (!same) std::printf("blob read back differs (MISMATCH)\n");
    return same ? 0 : 1;
}
