#pragma once
// Five masks typical of the product's forms, each beside the std::regex of the same language, and
// inputs for them: valid ones and near misses. Shared by the tests and the benchmarks.
#include <random>
#include <string>
#include <vector>

struct TypicalMask {
    const char* name;
    const char* pattern;       // mask expression ("/" is the date separator, pinned to "/")
    const char* regex;         // the same language for std::regex (ECMAScript)
    const char* standard;      // the nearest standard mask, for the standard-mask benchmark
    const char* standardRegex; // the standard mask's language for std::regex
};

inline const std::vector<TypicalMask>& TypicalMasks() {
    static const std::vector<TypicalMask> masks = {
        {"date", "(0[1-9]|[12]\\d|3[01])/(0[1-9]|1[0-2])/\\d{4}",
         "(0[1-9]|[12]\\d|3[01])/(0[1-9]|1[0-2])/\\d{4}", "00/00/0000;1;_", "\\d\\d/\\d\\d/\\d{4}"},
        {"phone", "\\(\\d{3}\\)' '\\d{3}-\\d{4}", "\\(\\d{3}\\) \\d{3}-\\d{4}", "(000) 000-0000;1;_",
         "\\(\\d{3}\\) \\d{3}-\\d{4}"},
        {"mobile", "(\\+86)?1[3-9]\\d{9}", "(\\+86)?1[3-9]\\d{9}", "00000000000;1;_", "\\d{11}"},
        {"id", "\\d{17}[\\dXx]", "\\d{17}[\\dXx]", "00000000000000000A;1;_", "\\d{17}[A-Za-z0-9]"},
        {"postcode", "[1-9]\\d{5}", "[1-9]\\d{5}", "000000;1;_", "\\d{6}"},
    };
    return masks;
}

// A valid text of the mask at index, then, for odd n, one character changed, dropped or added.
inline std::string TypicalInput(size_t mask, std::mt19937& random) {
    auto digit = [&](int from = 0, int to = 9) {
        return static_cast<char>('0' + std::uniform_int_distribution<int>(from, to)(random));
    };
    auto digits = [&](int count) {
        std::string s;
        for (int i = 0; i < count; ++i)
            s += digit();
        return s;
    };
    auto pad = [](int v) {
        return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
    };
    std::string text;
    switch (mask) {
    case 0:
        text = pad(std::uniform_int_distribution<int>(1, 31)(random)) + "/" +
               pad(std::uniform_int_distribution<int>(1, 12)(random)) + "/" + digits(4);
        break;
    case 1:
        text = "(" + digits(3) + ") " + digits(3) + "-" + digits(4);
        break;
    case 2:
        text = (random() % 2 ? "+86" : "") + std::string("1") + digit(3, 9) + digits(9);
        break;
    case 3:
        text = digits(17) + "0123456789Xx"[random() % 12];
        break;
    default:
        text = std::string(1, digit(1, 9)) + digits(5);
        break;
    }
    if (random() % 2 == 0) return text;
    static const char noise[] = "0123456789/-() +Xxa";
    const size_t at = random() % text.size();
    const char other = noise[random() % (sizeof noise - 1)];
    switch (random() % 3) {
    case 0:
        text[at] = other;
        break;
    case 1:
        text.erase(at, 1);
        break;
    default:
        text.insert(at, 1, other);
        break;
    }
    return text;
}
