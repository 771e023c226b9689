// The JSON writer's escaping of untrusted bytes, and the reader the tests and the station use.
#include <gtest/gtest.h>

#include <string>

#include "cli/station/Json.h"

namespace {

using orvane::cli::station::JsonObject;
using orvane::cli::station::JsonString;
using orvane::cli::station::JsonValue;
using orvane::cli::station::ParseJson;

TEST(JsonTest, EscapesWhatAStringCannotHoldAndKeepsValidUtf8) {
    struct Case {
        std::string in;
        std::string out;
    } const cases[] = {
        {"Start bootloader.", "\"Start bootloader.\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\r\n\t", "\"\\r\\n\\t\""},
        {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
        {"V\xC3\xA9", "\"V\xC3\xA9\""},                                        // é stays
        {"\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xE2\x82\xAC\xF0\x9F\x98\x80\""},  // € and an emoji
        {"\xFF", "\"\xEF\xBF\xBD\""},                                          // not UTF-8 at all
        {"\xC3", "\"\xEF\xBF\xBD\""},                                          // cut sequence
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},                          // overlong '/'
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},          // a surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JsonString(c.in), c.out);
        JsonValue back;
        std::string error;
        ASSERT_TRUE(ParseJson(JsonString(c.in), back, error)) << error << " for " << c.out;
        EXPECT_EQ(back.kind, JsonValue::Kind::String);
    }
}

TEST(JsonTest, BuildsOneLineObjectsThatReadBack) {
    JsonObject object;
    object.Add("event", "result")
        .Add("exit", 1)
        .Add("ok", false)
        .AddNull("reason")
        .AddSeconds("seconds", 12345)
        .AddStrings("log", {"a", "b\n"})
        .AddRaw("inner", JsonObject().Add("x", int64_t{-7}).Text());
    const std::string text = object.Text();
    EXPECT_EQ(text,
              "{\"event\":\"result\",\"exit\":1,\"ok\":false,\"reason\":null,\"seconds\":12.345,"
              "\"log\":[\"a\",\"b\\n\"],\"inner\":{\"x\":-7}}");
    JsonValue back;
    std::string error;
    ASSERT_TRUE(ParseJson(text, back, error)) << error;
    EXPECT_EQ(back["event"].text, "result");
    EXPECT_EQ(back["exit"].number, 1);
    EXPECT_EQ(back["seconds"].number, 12.345);
    EXPECT_EQ(back["reason"].kind, JsonValue::Kind::Null);
    ASSERT_EQ(back["log"].items.size(), 2U);
    EXPECT_EQ(back["log"].items[1].text, "b\n");
    EXPECT_EQ(back["inner"]["x"].number, -7);
    EXPECT_EQ(back["missing"].kind, JsonValue::Kind::Null);
}

TEST(JsonTest, ReadsEscapesAndRefusesWhatIsNotOneJsonValue) {
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"s":"\u00e9\ud83d\ude00\/"})", value, error)) << error;
    EXPECT_EQ(value["s"].text, "\xC3\xA9\xF0\x9F\x98\x80/");

    const char* bad[] = {
        "",
        "{",
        "{\"a\":1,}",
        "{\"a\" 1}",
        "[1,]",
        "{\"a\":1}x",
        "\"\\ud800\"",
        "\"\x01\"",
        "01",
        "1.",
        "{\"a\":1,\"a\":2}",
        "\"\\q\"",
        "tru",
        "\"abc",
        "[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]",
        "1e999",
    };
    for (const char* text : bad) {
        EXPECT_FALSE(ParseJson(text, value, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

}  // namespace
