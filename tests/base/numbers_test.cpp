#include "base/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "base/date_time.h"
#include "base/error_report.h"
#include "support/temp_dir.h"

namespace chronoreel {
namespace {

// Runs each test on a "." locale and on a "," locale and restores the flag afterwards.
class NumbersOnEachLocale : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        saved_ = DecimalComma();
        SetDecimalComma(GetParam());
    }
    void TearDown() override { SetDecimalComma(saved_); }
    bool Comma() const { return GetParam(); }

  private:
    bool saved_ = false;
};

INSTANTIATE_TEST_SUITE_P(Locales, NumbersOnEachLocale, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Comma" : "Dot"; });

TEST_P(NumbersOnEachLocale, ReadsNumbersWrittenWithADotAndFailsSilently) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"0.5", 0.5},    {" 12 ", 12.0}, {"\t-1.25 ", -1.25}, {"+3", 3.0},      {"1.5e3", 1500},
        {"2E-2", 0.02},  {".5", 0.5},    {"5.", 5.0},         {"-0.75", -0.75}, {"1e+2", 100.0},
        {"", 0.0},       {"   ", 0.0},   {"abc", 0.0},        {"1x", 0.0},      {"1e", 0.0},
        {"-", 0.0},      {".", 0.0},     {"1 2", 0.0},        {"1.2.3", 0.0},   {"1e999", 0.0},
        {"-1e999", 0.0}, {"inf", 0.0},   {"nan", 0.0},        {"0x10", 0.0},    {"1,000.5", 0.0},
        {"--1", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(CDblNI(c.text), c.expected);
        EXPECT_DOUBLE_EQ(Str2DblNI(c.text), c.expected);
        EXPECT_DOUBLE_EQ(Str2Dbl(c.text), c.expected);
    }
}

TEST_P(NumbersOnEachLocale, ReadsTheCommaOnlyOnACommaLocale) {
    const struct {
        const char* text;
        double onDot;
        double onComma;
    } cases[] = {
        {"1,5", 0.0, 1.5},
        {"-0,25e1", 0.0, -2.5},
        {"1.5,5", 0.0, 0.0},  // the "." becomes a second ","
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(Str2DblNI(c.text), Comma() ? c.onComma : c.onDot);
        EXPECT_EQ(CLngNI(c.text),
                  static_cast<std::int32_t>(std::nearbyint(Comma() ? c.onComma : c.onDot)));
    }
}

TEST_P(NumbersOnEachLocale, ReadsIntegersRoundingHalfToEven) {
    const struct {
        const char* text;
        std::int32_t movieMaker;
        std::int32_t scheduler;
    } cases[] = {
        {"24", 24, 24},
        {" 42 ", 42, 42},
        {"1.5", 2, 2},
        {"2.5", 2, 2},
        {"3.5", 4, 4},
        {"-2.5", -2, -2},
        {"-1.5", -2, -2},
        {"0.5", 0, 0},
        {"2.4999", 2, 2},
        {"1e3", 1000, 1000},
        {"2147483647", 2147483647, 2000000000},
        {"-2147483648", std::numeric_limits<std::int32_t>::min(),
         std::numeric_limits<std::int32_t>::min()},
        {"-2147483648.5", std::numeric_limits<std::int32_t>::min(),
         std::numeric_limits<std::int32_t>::min()},
        {"2147483647.5", 0, 2000000000},  // rounds to 2147483648
        {"2147483648", 0, 2000000000},
        {"3000000000", 0, 2000000000},
        {"1e10", 0, 2000000000},
        {"2000000001", 2000000001, 2000000000},
        {"2000000000", 2000000000, 2000000000},
        {"2000000000.4", 2000000000, 2000000000},
        {"1999999999.5", 2000000000, 2000000000},
        {"-2147483649", 0, 0},
        {"-3000000000", 0, 0},
        {"abc", 0, 0},
        {"", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CLngNI(c.text), c.movieMaker);
        EXPECT_EQ(Str2LngNI(c.text), c.movieMaker);
        EXPECT_EQ(Str2Lng(c.text), c.movieMaker);
        EXPECT_EQ(scheduler_numbers::Str2LngNI(c.text), c.scheduler);
        EXPECT_EQ(scheduler_numbers::Str2Lng(c.text), c.scheduler);
    }
}

TEST_P(NumbersOnEachLocale, ReadsBooleans) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"True", true},   {"true", true},    {" TRUE ", true},   {"tRuE", true},
        {"yes", true},    {"  Yes\t", true}, {"YES", true},      {"1", true},
        {"-1", true},     {"2", true},       {"0.5", true},      {"1e3", true},
        {"False", false}, {"FALSE", false},  {" fAlSe ", false}, {"no", false},
        {"NO", false},    {"", false},       {"   ", false},     {"abc", false},
        {"0", false},     {"0.0", false},    {"-0", false},      {"yes please", false},
        {"Y", false},     {"on", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Str2Bool(c.text), c.expected);
    }
}

TEST_P(NumbersOnEachLocale, WritesNumbersWithADotAndReadsThemBack) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.5, "0.5"},
        {24.0, "24"},
        {100.0, "100"},
        {-1.25, "-1.25"},
        {1234.5, "1234.5"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.1 + 0.2, "0.3"},
        {-0.0, "0"},
        {0.001, "0.001"},
        {1.5e-10, "0.00000000015"},
        {1e-15, "0.000000000000001"},
        {1e-16, "1E-16"},
        {0.01 / 3.0, "3.33333333333333E-03"},
        {123456789012345.0, "123456789012345"},
        {-999999999999999.0, "-999999999999999"},
        {1e15, "1E+15"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {1e300, "1E+300"},
        {-2.5e-300, "-2.5E-300"},
        {38748.7535069444, "38748.7535069444"},
        {51.4769, "51.4769"},
        {-0.0005, "-0.0005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CStrNI(c.value), c.text);
        const double back = Str2DblNI(CStrNI(c.value));
        EXPECT_NEAR(back, c.value, std::fabs(c.value) * 1e-14);
    }
}

TEST_P(NumbersOnEachLocale, WritesIntegersAndBooleans) {
    EXPECT_EQ(CStrNI(std::int32_t{24}), "24");
    EXPECT_EQ(CStrNI(std::int32_t{-7}), "-7");
    EXPECT_EQ(CStrNI(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(CStrNI(true), "True");
    EXPECT_EQ(CStrNI(false), "False");
    EXPECT_TRUE(Str2Bool(CStrNI(true)));
    EXPECT_FALSE(Str2Bool(CStrNI(false)));
}

TEST_P(NumbersOnEachLocale, FormatsForDisplayWithTheLocaleSeparator) {
    const struct {
        double value;
        const char* pattern;
        const char* withDot;
    } cases[] = {
        {7.5, "00.0000", "07.5000"},
        {0.0, "00.0000", "00.0000"},
        {123.45678, "00.0000", "123.4568"},
        {59.99994, "00.0000", "59.9999"},
        {59.99996, "00.0000", "60.0000"},
        {99.99995, "00.0000", "100.0000"},
        {1.00005, "00.0000", "01.0001"},  // rounds the typed value half up
        {-7.5, "00.0000", "-07.5000"},
        {-0.00004, "00.0000", "00.0000"},
        {28.6, "00,0000", "28.6000"},  // a "," in the pattern marks the decimals too
        {2.5, "0", "3"},
        {1.005, "0.00", "1.01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + c.withDot);
        std::string expected = c.withDot;
        if (Comma()) {
            for (char& ch : expected) {
                ch = ch == '.' ? ',' : ch;
            }
        }
        EXPECT_EQ(FormatI(c.value, c.pattern), expected);
    }
}

TEST_P(NumbersOnEachLocale, SchedulerReadsDotsInTimesAsColons) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"12.30", 12.5 / 24.0},
        {"12:30", 12.5 / 24.0},
        {"6.05 PM", MakeDateTime(1899, 12, 30, 18, 5)},
        {"01/31/2006 6.05.09 pm", MakeDateTime(2006, 1, 31, 18, 5, 9)},
        {"2006-01-31 18.05", MakeDateTime(2006, 1, 31, 18, 5)},
        {"abc", 0.0},
        {"", 0.0},
        {"25.00", 0.0},
        {"2006.01.31", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NEAR(scheduler_numbers::CDateNI(c.text), c.expected, 1e-9);
    }
}

TEST(Numbers, FractionalPartIsAlwaysInTheUnitInterval) {
    const struct {
        double x;
        double expected;
    } cases[] = {
        {2.75, 0.75}, {-1.25, 0.75}, {3.0, 0.0}, {-3.0, 0.0}, {0.0, 0.0}, {-1e-20, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_DOUBLE_EQ(FP(c.x), c.expected);
        EXPECT_GE(FP(c.x), 0.0);
        EXPECT_LT(FP(c.x), 1.0);
    }
}

TEST(Numbers, LocaleDecidesTheDecimalComma) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C"), nullptr);
    EXPECT_FALSE(LocaleUsesDecimalComma());

    // A comma locale, compiled into a temporary folder when the system has the tools.
    testing::TempDir locales;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    const bool built = std::system(command.c_str()) == 0;
    if (built) {
        setenv("LOCPATH", locales.Path().c_str(), 1);
    }
    const bool switched = built && std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    if (switched) {
        EXPECT_TRUE(LocaleUsesDecimalComma());
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    unsetenv("LOCPATH");
    if (!switched) {
        GTEST_SKIP() << "no comma locale available";
    }
}

TEST(NumbersDeathTest, WritingAValueThatIsNoNumberIsReported) {
    EXPECT_EXIT(CStrNI(std::numeric_limits<double>::quiet_NaN()), ::testing::ExitedWithCode(70),
                "Module: modNumbers\nProcedure: CStrNI");
}

}  // namespace
}  // namespace chronoreel
