// Every fatal check the code has is reached by a death test: each check's number must
// appear in the tests, where the death tests match the exact report line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "terrain/engine_state.h"
#include "terrain/fatal.h"

namespace kalde::test {
namespace {

// The numbers of one variant's table, read as the ints it consists of.
std::set<int> numbersOf(const FatalLines& lines) {
    static_assert(sizeof(FatalLines) % sizeof(int) == 0, "FatalLines holds only ints");
    const int* begin = reinterpret_cast<const int*>(&lines);
    std::set<int> numbers(begin, begin + sizeof(FatalLines) / sizeof(int));
    numbers.erase(0);   // a check the variant does not have
    return numbers;
}

std::string testSources() {
    std::ostringstream all;
    for (const auto& entry : std::filesystem::directory_iterator(KALDE_TEST_SOURCE_DIR))
        if ((entry.path().extension() == ".cpp" || entry.path().extension() == ".h") &&
            entry.path().filename() != "fatal_coverage_test.cpp")
            all << std::ifstream(entry.path()).rdbuf();
    return all.str();
}

TEST(FatalCoverage, EveryCheckHasADeathTest) {
    std::set<int> numbers = numbersOf(fatalLines<std::int16_t>());
    const std::set<int> floats = numbersOf(fatalLines<float>());
    numbers.insert(floats.begin(), floats.end());
    numbers.insert(kHeightFactorLine);
    ASSERT_GT(numbers.size(), 70u);   // both tables were read
    const std::string sources = testSources();
    for (int number : numbers) {
        const std::regex word("\\b" + std::to_string(number) + "\\b");
        EXPECT_TRUE(std::regex_search(sources, word)) << "no test names fatal line " << number;
    }
}

}  // namespace
}  // namespace kalde::test
