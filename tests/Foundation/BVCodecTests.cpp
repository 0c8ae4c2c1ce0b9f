// The value codecs: round trips, files written by other tools, and hostile input.
#include <gtest/gtest.h>

#include "Foundation/BVBase64.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVPlistCodec.h"
#include "tests/fixtures/BVTemporaryFolder.h"

namespace {

BVValue sample() {
    return BVValue(BVDictionary{
        {"bool", BVValue(true)},
        {"negative", BVValue(int64_t(-42))},
        {"big", BVValue(int64_t(1) << 40)},
        {"real", BVValue(2.5)},
        {"text", BVValue("héllo")},
        {"data", BVValue(BVData{std::string("\0\1\2", 3)})},
        {"list", BVValue(BVArray{BVValue(1), BVValue("two"), BVValue(BVArray{})})},
        {"nested", BVValue(BVDictionary{{"empty", BVValue(BVDictionary{})}})},
    });
}

std::string nested(const std::string& open, const std::string& close, int levels) {
    std::string s;
    for (int i = 0; i < levels; ++i) s += open;
    for (int i = 0; i < levels; ++i) s += close;
    return s;
}

}  // namespace

TEST(BVPlistCodec, RoundTripsEveryTypeInBothFormats) {
    for (auto format : {BVPlistCodec::Format::Binary, BVPlistCodec::Format::XML}) {
        std::string error;
        auto back = BVPlistCodec::decode(BVPlistCodec::encode(sample(), format), &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(*back, sample());
        EXPECT_EQ((*back)["negative"].int64Value(), -42);  // stored unsigned, read back signed
    }
}

TEST(BVPlistCodec, DatesKeepWholeSecondsInBothFormats) {
    BVValue date(BVDate{1700000000.0});
    for (auto format : {BVPlistCodec::Format::Binary, BVPlistCodec::Format::XML}) {
        auto back = BVPlistCodec::decode(BVPlistCodec::encode(BVValue(BVArray{date}), format));
        ASSERT_TRUE(back);
        EXPECT_DOUBLE_EQ(back->arrayValue().at(0).dateValue()->secondsSince1970, 1700000000.0);
    }
}

TEST(BVPlistCodec, ReadsFilesWrittenByPythonPlistlib) {
    BVTemporaryFolder tmp;
    std::string script = tmp / "write.py";
    tmp.fileWithText("write.py",
                     "import plistlib, sys, datetime\n"
                     "v = {'name': 'Caches', 'count': 3, 'ok': True, 'when': datetime.datetime(2020, 1, 2, 3, 4, 5),\n"
                     "     'items': ['a', {'b': 1.5}], 'raw': b'xyz'}\n"
                     "for fmt, path in ((plistlib.FMT_BINARY, sys.argv[1]), (plistlib.FMT_XML, sys.argv[2])):\n"
                     "    open(path, 'wb').write(plistlib.dumps(v, fmt=fmt))\n");
    std::string bin = tmp / "v.bin.plist", xml = tmp / "v.xml.plist";
    ASSERT_EQ(std::system(("python3 " + script + " " + bin + " " + xml).c_str()), 0);
    for (const auto& path : {bin, xml}) {
        std::string error;
        auto v = BVPlistCodec::decodeFile(path, &error);
        ASSERT_TRUE(v) << error;
        EXPECT_EQ((*v)["name"].stringValue(), "Caches");
        EXPECT_EQ((*v)["count"].int64Value(), 3);
        EXPECT_TRUE((*v)["ok"].boolValue());
        EXPECT_DOUBLE_EQ((*v)["when"].dateValue()->secondsSince1970, 1577934245.0);
        EXPECT_DOUBLE_EQ((*v)["items"].arrayValue().at(1)["b"].doubleValue(), 1.5);
        EXPECT_EQ((*v)["raw"].dataValue()->bytes, "xyz");
    }
}

TEST(BVPlistCodec, RefusesHostileInputWithAnErrorInsteadOfCrashing) {
    // A binary list whose only array contains itself.
    std::string cyclic = std::string("bplist00") + "\xA1\x00";  // object 0: array of 1 ref -> 0
    size_t offsetTable = cyclic.size();
    cyclic += char(8);  // offset of object 0
    std::string trailer(32, '\0');
    trailer[6] = 1;   // offset size
    trailer[7] = 1;   // ref size
    trailer[15] = 1;  // one object
    trailer[31] = char(offsetTable);
    cyclic += trailer;

    // Shared references that expand to 2^40 nodes: each array holds the next one twice.
    std::string bomb = "bplist00";
    std::vector<size_t> offsets;
    const int levels = 40;
    for (int i = 0; i < levels; ++i) {
        offsets.push_back(bomb.size());
        if (i + 1 < levels) bomb += std::string("\xA2") + char(i + 1) + char(i + 1);
        else bomb += "\x08";  // false
    }
    size_t bombTable = bomb.size();
    for (size_t o : offsets) bomb += char(o);
    std::string bombTrailer(32, '\0');
    bombTrailer[6] = 1;
    bombTrailer[7] = 1;
    bombTrailer[15] = char(levels);
    bombTrailer[31] = char(bombTable);
    bomb += bombTrailer;

    const std::vector<std::pair<const char*, std::string>> cases = {
        {"cyclic binary", cyclic},
        {"expanding binary", bomb},
        {"deep XML", "<plist><array>" + nested("<array>", "</array>", 5000) + "</array></plist>"},
        {"truncated binary", BVPlistCodec::encode(sample()).substr(0, 20)},
        {"garbage", "not a property list at all"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : cases) {
        std::string error;
        EXPECT_FALSE(BVPlistCodec::decode(bytes, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    // Nesting within the cap still decodes.
    EXPECT_TRUE(BVPlistCodec::decode("<plist>" + nested("<array>", "</array>", 100) + "</plist>"));
}

TEST(BVJSONCodec, RoundTripsAndReportsParseErrors) {
    auto back = BVJSONCodec::decode(BVJSONCodec::encode(BVValue(BVDictionary{{"a", BVValue(BVArray{BVValue(1), BVValue("x")})}})));
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)["a"].arrayValue().at(1).stringValue(), "x");

    std::string error;
    EXPECT_FALSE(BVJSONCodec::decode("{\"a\": ", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(BVJSONCodec::decode(nested("[", "]", 10000), &error));
    EXPECT_NE(error.find("nesting"), std::string::npos);
    EXPECT_TRUE(BVJSONCodec::decode("// note\n{\"a\": 1}", nullptr, true));
    EXPECT_FALSE(BVJSONCodec::decode("// note\n{\"a\": 1}", nullptr, false));
}

TEST(BVJSONCodec, WritesFileNamesThatAreNotUTF8) {
    std::string name = "caf\xE9.log";  // Latin-1 byte, invalid UTF-8
    std::string text = BVJSONCodec::encode(BVValue(BVArray{BVValue(name)}));
    EXPECT_TRUE(BVJSONCodec::decode(text));
    EXPECT_NE(text.find("caf"), std::string::npos);
}

TEST(BVBase64, EncodesAndDecodesWithPadding) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}};
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(BVBase64::encode(plain), encoded);
        EXPECT_EQ(BVBase64::decode(encoded), plain);
    }
    EXPECT_FALSE(BVBase64::decode("Zm9v!"));
}
