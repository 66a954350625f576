// Lexer throughput on a large script beside a plain scan of the same bytes (string and stream
// mode), and 50 MB blob writes and reads beside memcpy. Prints MB/s and the ratios.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

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
    const double blobMb = static_cast<double>(blobSize) / (1 << 20);
    double copy = Best([&] {
        std::memcpy(target.data(), source.data(), blobSize);
        sink = sink + target[blobSize / 2];
    });
    double write = Best([&] {
        TBlob* blob = new TBlob;
        blob->Write(0, static_cast<int64_t>(blobSize), source.data());
        blob->Release();
    });
    TBlob* blob = new TBlob;
    blob->Write(0, static_cast<int64_t>(blobSize), source.data());
    double read = Best([&] { blob->Read(0, 0, target.data()); });
    bool same = std::memcmp(source.data(), target.data(), blobSize) == 0;
    blob->Release();
    std::printf("memcpy 50 MB    %8.1f MB/s\n", blobMb / copy);
    std::printf("blob write      %8.1f MB/s  = %.2fx memcpy time\n", blobMb / write, write / copy);
    std::printf("blob read       %8.1f MB/s  = %.2fx memcpy time%s\n", blobMb / read, read / copy,
                same ? "" : "  (MISMATCH)");
    return same ? 0 : 1;
}
