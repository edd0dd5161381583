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

// Into a pipe the lines arrive only at exit, all of them, and Escape adds none.
TEST_P(KeysToTrace, PrintsOneLinePerKeyAndEndsCleanlyOnEscape)
{
    const KeysCase& c = GetParam();
    launch({}, OutputMode::Pipe);
    typeKeys(server, c.keys);
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer), c.lines);
}

const std::string RESET = "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000";
const std::string ORIGIN = "Camera: d: 6.000000, e:0.000000, a:0.000000, t:0.000000";

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeysToTrace,
    testing::Values(
        KeysCase{"EscapeAlone", "", {}},
        KeysCase{"UnlistedKeys", "a1 ?", {RESET, RESET, RESET, RESET}},
        KeysCase{"NegativeAzimuthWrapsOnTheWayDown",
                 "XXx",
                 {"Camera: d: 6.000000, e:45.000000, a:-31.000000, t:0.000000",
                  "Camera: d: 6.000000, e:45.000000, a:-29.000000, t:0.000000",
                  "Camera: d: 6.000000, e:45.000000, a:360.000000, t:0.000000"}},
        KeysCase{"AzimuthWrapsBelowZero",
                 "xX",
                 {"Camera: d: 6.000000, e:45.000000, a:360.000000, t:0.000000",
                  "Camera: d: 6.000000, e:45.000000, a:0.000000, t:0.000000"}},
        KeysCase{"ZoomCollectsRounding",
                 "zzzZ",
                 {"Camera: d: 5.800000, e:45.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 5.600000, e:45.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 5.400001, e:45.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 5.600000, e:45.000000, a:-33.000000, t:0.000000"}},
        KeysCase{"ElevationAndTwist",
                 "YyyWw",
                 {"Camera: d: 6.000000, e:47.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 6.000000, e:43.000000, a:-33.000000, t:0.000000",
                  "Camera: d: 6.000000, e:43.000000, a:-33.000000, t:2.000000",
                  "Camera: d: 6.000000, e:43.000000, a:-33.000000, t:0.000000"}},
        KeysCase{"PresetsBothCases",
                 "oXrWOZR",
                 {ORIGIN, "Camera: d: 6.000000, e:0.000000, a:2.000000, t:0.000000", RESET,
                  "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:2.000000", ORIGIN,
                  "Camera: d: 6.200000, e:0.000000, a:0.000000, t:0.000000", RESET}},
        KeysCase{"CountsDoNotShowInTrace", "SsTt", {RESET, RESET, RESET, RESET}}),
    [](const testing::TestParamInfo<KeysCase>& info) { return std::string(info.param.name); });

// On a terminal each line shows as soon as its key is handled.
TEST_F(ViewerTest, TraceReachesTerminalLineByLine)
{
    launch();
    press("X");
    EXPECT_EQ(lastTrace(), "Camera: d: 6.000000, e:45.000000, a:-31.000000, t:0.000000");
    press("z");
    EXPECT_EQ(lastTrace(), "Camera: d: 5.800000, e:45.000000, a:-31.000000, t:0.000000");
    typeByte(server, 27);
    expectCleanExit();
    EXPECT_EQ(traceLines(viewer).size(), 2u);
}

} // namespace
