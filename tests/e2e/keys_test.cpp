// Real key presses and the trace lines they print.

#include "viewer_fixture.h"

namespace {

struct KeysCase {
    const char* name;
    std::string keys;
    std::vector<std::string> lines;
};

void PrintTo(const KeysCase& c, std::ostream* os)
{
    *os << '"' << c.keys << '"';
}

class KeysToTrace : public ViewerTest, public testing::WithParamInterface<KeysCase> {};

TEST_P(KeysToTrace, PrintsOneLinePerKeyAndNoneForEscape)
{
    const KeysCase& c = GetParam();
    launch();
    typeKeys(server, c.keys);
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer), c.lines);
}

const std::string RESET = "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000";
const std::string ORIGIN = "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000";

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeysToTrace,
    testing::Values(KeysCase{"EscapeAlone", "", {}},
                    KeysCase{"UnlistedKeysAndCounts", "a1 ?sT", {RESET, RESET, RESET, RESET, RESET, RESET}},
                    KeysCase{"WrapAndRounding",
                             "xXzzz",
                             {"Camera: d: 6.000000, e:45.000000, a:360.000000, t:0.000000",
                              "Camera: d: 6.000000, e:45.000000, a:0.000000, t:0.000000",
                              "Camera: d: 5.800000, e:45.000000, a:0.000000, t:0.000000",
                              "Camera: d: 5.600000, e:45.000000, a:0.000000, t:0.000000",
                              "Camera: d: 5.400001, e:45.000000, a:0.000000, t:0.000000"}},
                    KeysCase{"CaseAndPresets",
                             "oXrwOZyR",
                             {ORIGIN, "Camera: d: 6.000000, e:0.000000, a:2.000000, t:0.000000", RESET,
                              "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:360.000000", ORIGIN,
                              "Camera: d: 6.200000, e:0.000000, a:0.000000, t:0.000000",
                              "Camera: d: 6.200000, e:360.000000, a:0.000000, t:0.000000", RESET}}),
    [](const testing::TestParamInfo<KeysCase>& info) { return std::string(info.param.name); });

} // namespace
