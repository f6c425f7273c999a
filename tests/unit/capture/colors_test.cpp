#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "capture/capture_engine.h"
#include "capture/css_color.h"
#include "dom_page.h"

namespace tnk {
namespace {

dom::StyleValue text(const char* s) {
    return dom::StyleValue::ofText(testpage::utf16(s));
}

TEST(ParseColor, HashFormsOfThreeAndSixDigits) {
    EXPECT_EQ(CaptureEngine::parseColor(text("#abc")), 0xAABBCC);
    EXPECT_EQ(CaptureEngine::parseColor(text("#ABC")), 0xAABBCC);
    EXPECT_EQ(CaptureEngine::parseColor(text("#f00")), 0xFF0000);
    EXPECT_EQ(CaptureEngine::parseColor(text("#000")), 0);
    EXPECT_EQ(CaptureEngine::parseColor(text("#fff")), 0xFFFFFF);
    EXPECT_EQ(CaptureEngine::parseColor(text("#12AbEf")), 0x12ABEF);
    EXPECT_EQ(CaptureEngine::parseColor(text("#ffffff")), 0xFFFFFF);
    EXPECT_EQ(CaptureEngine::parseColor(text("#000000")), 0);
}

TEST(ParseColor, HashFormsOfOtherLengthsGiveZero) {
    for (const char* s : {"#", "#1", "#12", "#1234", "#12345", "#1234567", "#abcdefab"}) {
        EXPECT_EQ(CaptureEngine::parseColor(text(s)), 0) << s;
    }
}

TEST(ParseColor, DigitsAreNotValidated) {
    // 'g' counts as 16 and 'z' as 35 by the letter rule.
    EXPECT_EQ(CaptureEngine::parseColor(text("#00000g")), 16);
    EXPECT_EQ(CaptureEngine::parseColor(text("#00z")), 35 * 17);
    // Characters far outside the digits must not overflow into nonsense.
    const dom::StyleValue wide = dom::StyleValue::ofText(u"#\xFFFF\xFFFF\xFFFF");
    const std::uint32_t d = 0xFFFF - 0x57;
    EXPECT_EQ(static_cast<std::uint32_t>(CaptureEngine::parseColor(wide)),
              ((d * 17) * 256 + d * 17) * 256 + d * 17);
}

TEST(ParseColor, NamesIgnoreCaseAndUnknownsAreWhite) {
    EXPECT_EQ(CaptureEngine::parseColor(text("red")), 0xFF0000);
    EXPECT_EQ(CaptureEngine::parseColor(text("RED")), 0xFF0000);
    EXPECT_EQ(CaptureEngine::parseColor(text("LightGoldenRodYellow")), 0xFAFAD2);
    for (const char* s : {"transparent", "buttonface", "rgb(0,0,0)", "", "lightgray", "grey",
                          "red ", "aliceblu", "yellowgreenx", "zzz", "a"}) {
        EXPECT_EQ(CaptureEngine::parseColor(text(s)), 0xFFFFFF) << s;
    }
}

TEST(ParseColor, NonStringValuesPassThrough) {
    EXPECT_EQ(CaptureEngine::parseColor(dom::StyleValue::ofNumber(0)), 0);
    EXPECT_EQ(CaptureEngine::parseColor(dom::StyleValue::ofNumber(0x123456)), 0x123456);
    EXPECT_EQ(CaptureEngine::parseColor(dom::StyleValue::ofNumber(-1)), -1);
    EXPECT_FALSE(CaptureEngine::sameColor(dom::StyleValue::ofNumber(0), text("transparent")));
    EXPECT_TRUE(CaptureEngine::sameColor(dom::StyleValue::ofNumber(0xFF0000), text("red")));
}

TEST(SameColor, ComparesParsedValues) {
    EXPECT_TRUE(CaptureEngine::sameColor(text("#FFFFFF"), text("white")));
    EXPECT_TRUE(CaptureEngine::sameColor(text("red"), text("#ff0000")));
    EXPECT_TRUE(CaptureEngine::sameColor(text("#f00"), text("#ff0000")));
    EXPECT_TRUE(CaptureEngine::sameColor(text("white"), text("transparent")));
    EXPECT_FALSE(CaptureEngine::sameColor(text("#000000"), text("transparent")));
    EXPECT_TRUE(CaptureEngine::sameColor(text("aqua"), text("cyan")));
}

// The filtered walk's reader: what browsers report, and nothing it cannot
// be sure of.
struct Reading {
    const char* text;
    CssColor::Kind kind;
    std::int32_t rgb;
    float alpha;
};
constexpr auto kRgb = CssColor::Kind::rgb;
constexpr auto kClear = CssColor::Kind::transparent;
constexpr auto kUnreadable = CssColor::Kind::unreadable;
constexpr Reading kReadings[] = {
    {"#abc", kRgb, 0xAABBCC, 1},
    {"#12AbEf", kRgb, 0x12ABEF, 1},
    {"WHITE", kRgb, 0xFFFFFF, 1},
    {"Transparent", kClear, 0, 1},
    {"rgb(0, 128, 255)", kRgb, 0x0080FF, 1},
    {"RGBA(0,128,255,0.5)", kRgb, 0x0080FF, 0.5f},
    {"rgb(0 0 0 / 50%)", kRgb, 0, 0.5f},
    {"rgb(100%, 50%, 0%)", kRgb, 0xFF8000, 1},
    {"rgb(300, -5, 0.4)", kRgb, 0xFF0000, 1},
    {"rgba(1, 2, 3, 0)", kClear, 0, 1},
    {"rgba(1 2 3 / 0%)", kClear, 0, 1},
    {"#12345", kUnreadable, 0, 1},
    {"#ggg", kUnreadable, 0, 1},
    {"#abcd", kUnreadable, 0, 1},
    {"buttonface", kUnreadable, 0, 1},
    {"hsl(0, 0%, 0%)", kUnreadable, 0, 1},
    {"rgb(1, 2)", kUnreadable, 0, 1},
    {"rgb(1, 2, 3", kUnreadable, 0, 1},
    {"rgb(a, b, c)", kUnreadable, 0, 1},
    {"", kUnreadable, 0, 1},
};

TEST(ReadCssColor, KnownFormsAndNothingElse) {
    for (const Reading& r : kReadings) {
        const CssColor c = readCssColor(text(r.text));
        EXPECT_EQ(c.kind, r.kind) << r.text;
        if (r.kind == kRgb) {
            EXPECT_EQ(c.rgb, r.rgb) << r.text;
            EXPECT_FLOAT_EQ(c.alpha, r.alpha) << r.text;
        }
    }
    // Numbers are 0xRRGGBB when they fit in 24 bits.
    EXPECT_EQ(readCssColor(dom::StyleValue::ofNumber(0x123456)).rgb, 0x123456);
    EXPECT_EQ(readCssColor(dom::StyleValue::ofNumber(-1)).kind, kUnreadable);
    EXPECT_EQ(readCssColor(dom::StyleValue::ofNumber(0x1000000)).kind, kUnreadable);
}

TEST(ReadCssColor, LayersAndVisibility) {
    const CssColor white = CssColor::opaque(0xFFFFFF);
    const CssColor halfBlack = readCssColor(text("rgba(0, 0, 0, 0.5)"));
    EXPECT_EQ(paintedOver(halfBlack, white).rgb, 0x808080);
    EXPECT_EQ(paintedOver(readCssColor(text("transparent")), white).rgb, 0xFFFFFF);
    EXPECT_EQ(paintedOver(halfBlack, CssColor{}).kind, kUnreadable);
    EXPECT_EQ(paintedOver(white, CssColor{}).rgb, 0xFFFFFF);

    EXPECT_TRUE(invisibleOn(white, white));
    EXPECT_TRUE(invisibleOn(readCssColor(text("rgba(255, 255, 255, 0.3)")), white));
    EXPECT_TRUE(invisibleOn(readCssColor(text("transparent")), CssColor{}));
    EXPECT_FALSE(invisibleOn(halfBlack, white));
    EXPECT_FALSE(invisibleOn(white, CssColor{}));
    EXPECT_FALSE(invisibleOn(CssColor{}, CssColor{}));
}

// Values typed from the common web colour list, independently of the
// engine's table.
struct Known {
    const char* name;
    std::int32_t rgb;
};
constexpr Known kKnown[] = {
    {"aliceblue", 0xF0F8FF},     {"black", 0x000000},          {"blue", 0x0000FF},
    {"chartreuse", 0x7FFF00},    {"cornflowerblue", 0x6495ED}, {"crimson", 0xDC143C},
    {"darkgoldenrod", 0xB8860B}, {"darkslategray", 0x2F4F4F},  {"dimgray", 0x696969},
    {"feldspar", 0xD19275},      {"fuchsia", 0xFF00FF},        {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},    {"gray", 0x808080},           {"green", 0x008000},
    {"indigo", 0x4B0082},        {"lightgrey", 0xD3D3D3},      {"lightslateblue", 0x8470FF},
    {"moccasin", 0xFFE4B5},      {"navajowhite", 0xFFDEAD},    {"navy", 0x000080},
    {"orange", 0xFFA500},        {"rebeccapurple", -1},        {"red", 0xFF0000},
    {"silver", 0xC0C0C0},        {"teal", 0x008080},           {"tomato", 0xFF6347},
    {"violetred", 0xD02090},     {"white", 0xFFFFFF},          {"yellowgreen", 0x9ACD32},
};

TEST(NamedColors, TableHas143DistinctLowerCaseNamesInAlphabeticalOrder) {
    ASSERT_EQ(std::size(namedColors), 143u);
    EXPECT_STREQ(namedColors[0].name, "aliceblue");
    EXPECT_STREQ(namedColors[47].name, "gainsboro");
    EXPECT_STREQ(namedColors[48].name, "ghostwhite");
    EXPECT_STREQ(namedColors[95].name, "moccasin");
    EXPECT_STREQ(namedColors[96].name, "navajowhite");
    EXPECT_STREQ(namedColors[142].name, "yellowgreen");
    for (std::size_t i = 0; i < std::size(namedColors); ++i) {
        const NamedColor& row = namedColors[i];
        for (const char* c = row.name; *c; ++c) {
            EXPECT_TRUE(*c >= 'a' && *c <= 'z') << row.name;
        }
        EXPECT_EQ(row.rgb & ~0xFFFFFF, 0) << row.name;
        if (i > 0) {
            EXPECT_LT(std::strcmp(namedColors[i - 1].name, row.name), 0) << row.name;
        }
    }
}

TEST(NamedColors, KnownValuesAgree) {
    for (const Known& k : kKnown) {
        const NamedColor* row = nullptr;
        for (const NamedColor& r : namedColors) {
            if (std::strcmp(r.name, k.name) == 0) {
                row = &r;
            }
        }
        if (k.rgb < 0) {
            EXPECT_EQ(row, nullptr) << k.name;
        } else {
            ASSERT_NE(row, nullptr) << k.name;
            EXPECT_EQ(row->rgb, k.rgb) << k.name;
        }
    }
}

TEST(NamedColors, EveryRowParsesToItsValueInAnyCase) {
    for (const NamedColor& row : namedColors) {
        std::string upper = row.name;
        for (char& c : upper) {
            c = static_cast<char>(c - 'a' + 'A');
        }
        EXPECT_EQ(CaptureEngine::parseColor(text(row.name)), row.rgb) << row.name;
        EXPECT_EQ(CaptureEngine::parseColor(text(upper.c_str())), row.rgb) << upper;
        // A name is matched only whole.
        EXPECT_EQ(CaptureEngine::parseColor(text((std::string(row.name) + "x").c_str())), 0xFFFFFF)
            << row.name;
    }
}

}  // namespace
}  // namespace tnk
