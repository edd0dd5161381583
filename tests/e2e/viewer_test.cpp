// The viewer's window and frame code in-process, for the GL state it fixes and
// that no id or count brings a frame down. Then the real viewer binary as a
// person uses it: its window in the test's X
// server, real key presses and right-clicks through libxdo, its trace read
// through a plain pipe. Its window is compared whole with the same frame drawn
// by the floor, which runs none of the viewer's code, in a window of the
// test's own beside it.

#include "app/app.h"
#include "controls/controls.h"
#include "viewer/viewer_state.h"

#include <gtest/gtest.h>

#include "gallery_scratch.h"
#include "x_window.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

namespace {

constexpr int RIGHT_BUTTON = 3;

// The menu's entries, which the unit tests check: the shapes as in the
// floor's table, then the presets and Exit.
constexpr int MENU_ENTRIES = 31;

int menuIndex(int value)
{
    for (int i = 0; i < MENU_ENTRIES - 3; ++i) {
        if (SHAPES[i].id == value)
            return i;
    }
    return MENU_ENTRIES - (value == MENU_RESET_CAMERA ? 3 : value == MENU_CAMERA_TO_ORIGIN ? 2 : 1);
}

class Viewer : public GalleryScratch, protected WindowedProgram {
protected:
    // "exit N: " or "killed by SIG: " and what the shell command printed, in
    // the test's scratch folder.
    std::string shell(const std::string& command) { return run(command + " 2>&1") + ": " + out; }

    // Starts the viewer and waits for its first frame: the wire sphere,
    // 10 x 10, from the reset camera.
    void launch(const std::string& command)
    {
        ASSERT_EQ(WindowedProgram::launch("export LD_PRELOAD=" + inherited + "; " + command, "^Varenthe$",
                                          floorPicture(SHAPE_GLUT_WIRESPHERE, 10, 10, RESET_CAMERA)),
                  "");
    }

    // Types printable keys and waits for a trace line for each.
    void type(const std::string& keys)
    {
        const auto lines = std::count(output.begin(), output.end(), '\n') + static_cast<long>(keys.size());
        xdo_enter_text_window(xdo, CURRENTWINDOW, keys.c_str(), 0);
        ASSERT_TRUE(until([&] { return std::count(output.begin(), output.end(), '\n') == lines; }))
            << "not every key printed its line";
    }

    // Waits for the viewer's window to show what the floor draws at the counts
    // that the keys leave from 10 x 10, from this camera or that of the last
    // trace line.
    std::string waitForFrame(int shape, const std::string& keys, std::optional<FloorCamera> camera = {})
    {
        FloorCamera c = camera.value_or(FloorCamera{});
        if (!camera)
            std::sscanf(output.c_str() + output.rfind("Camera"), "Camera: d: %lf, e:%lf, a:%lf, t:%lf", &c.distance,
                        &c.elevation, &c.azimuth, &c.twist);
        const auto net = [&](char up, char down) {
            return 10 + static_cast<int>(std::count(keys.begin(), keys.end(), up) -
                                         std::count(keys.begin(), keys.end(), down));
        };
        return waitForPicture(floorPicture(shape, net('S', 's'), net('T', 't'), c));
    }

    // A right-click on the window opens the menu with its corner under the
    // pointer and keeps it up; a second one chooses the entry under the
    // pointer, that of the menu value, and closes it.
    void choose(int value)
    {
        xdo_move_mouse_relative_to_window(xdo, window, 125, 125);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        xdo_move_mouse_relative_to_window(xdo, window, 129, 129);
        Window menu = 0;
        ASSERT_TRUE(until([&] { return xdo_get_window_at_mouse(xdo, &menu) == 0 && menu != window; }))
            << "no menu under the pointer after a right-click";
        XWindowAttributes a{};
        XGetWindowAttributes(xdo->xdpy, menu, &a);
        xdo_move_mouse(xdo, a.x + a.width / 2, a.y + a.height * (2 * menuIndex(value) + 1) / (2 * MENU_ENTRIES), 0);
        xdo_click_window(xdo, CURRENTWINDOW, RIGHT_BUTTON);
        ASSERT_TRUE(until([&] { return XGetWindowAttributes(xdo->xdpy, menu, &a) == 0 || a.map_state != IsViewable; }))
            << "the menu stayed open after choosing " << value;
    }
};

// GLUT takes the command line, but a -geometry is overridden by the fixed
// window. The menu, through real right-clicks, chooses a shape and the presets
// and prints nothing. Keys are then each answered at once through the pipe
// with a line, the whole trace as tests/reference/keys.txt records it, and
// the picture follows them, also after a window of one pixel. A reader that
// goes away does not end the viewer: it keeps drawing, and Escape still ends
// it with status 0.
TEST_F(Viewer, AnswersKeysAndMenuWhateverTheWindowAndReader)
{
    // The record's first line: each angle round its wrap limits and back, the
    // distance below 0 and back, the counts below 1 and back, then random keys.
    const std::string record = readText(REFERENCES / "keys.txt"), keys = record.substr(0, record.find('\n'));
    const FloorCamera origin{6.0, 0.0, 0.0, 0.0};
    ASSERT_NO_FATAL_FAILURE(launch(std::string("exec ") + VARENTHE_BINARY + " -geometry 400x300+10+20"));
    ASSERT_NO_FATAL_FAILURE(choose(SHAPE_GLUT_SOLIDTORUS));
    ASSERT_NO_FATAL_FAILURE(choose(MENU_CAMERA_TO_ORIGIN));
    EXPECT_EQ(waitForFrame(SHAPE_GLUT_SOLIDTORUS, "", origin), "");
    ASSERT_NO_FATAL_FAILURE(choose(MENU_RESET_CAMERA));
    EXPECT_EQ(output, "") << "the menu printed";
    ASSERT_NO_FATAL_FAILURE(type(keys));
    for (const bool writing : PASSES)
        expectAsReference(keys + "\n" + output, "keys.txt", writing);
    EXPECT_EQ(waitForFrame(SHAPE_GLUT_SOLIDTORUS, keys), "");
    xdo_set_window_size(xdo, window, 1, 1, 0);
    ASSERT_NO_FATAL_FAILURE(type("aX"));
    xdo_set_window_size(xdo, window, WINDOW_SIZE, WINDOW_SIZE, 0);
    // The pipe's only read end goes away; the descriptor stays valid for
    // pclose.
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), fileno(program));
    ended = true;
    xdo_enter_text_window(xdo, CURRENTWINDOW, "aXo", 0);
    EXPECT_EQ(waitForFrame(SHAPE_GLUT_SOLIDTORUS, keys, origin), "");
    EXPECT_EQ(escape(), 0);
}

// Escape ends the viewer at once with status 0 and prints nothing, whichever
// of its standard streams it was started with closed; only a closed standard
// output loses the trace.
TEST_F(Viewer, EscapeEndsItSilentlyWhateverItsStandardStreams)
{
    for (int closed = 0; closed < 8; ++closed) {
        const std::string streams =
            std::string(closed & 1 ? "<&- " : "") + (closed & 2 ? ">&- " : "") + (closed & 4 ? "2>&- " : "");
        ASSERT_NO_FATAL_FAILURE(launch(std::string("exec ") + VARENTHE_BINARY + " " + streams));
        // Function and arrow keys do nothing at all.
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "Left", 0);
        xdo_send_keysequence_window(xdo, CURRENTWINDOW, "F1", 0);
        xdo_enter_text_window(xdo, CURRENTWINDOW, "a", 0);
        EXPECT_EQ(escape(), 0) << streams;
        EXPECT_EQ(output, closed & 2 ? "" : "Camera: d: 6.000000, e:45.000000, a:-33.000000, t:0.000000\n") << streams;
    }
}

// The README's first command, in a copy of the project that it builds.
// Without a display it renders every shape on an Xvfb server of its own into
// ./gallery, says where, and leaves neither the server nor its temporary
// files behind. With one it starts the viewer there with its arguments,
// which go to GLUT: a -display that overrides DISPLAY.
TEST_F(Viewer, RunScriptWithoutAndWithADisplay)
{
#ifdef VARENTHE_SANITIZED
    GTEST_SKIP() << "run.sh builds programs of its own, without the sanitizers";
#endif
    fs::create_directories(scratch / "tmp");
    for (const char* part : {"CMakeLists.txt", "run.sh", "scripts", "src", "man", "packaging"})
        fs::copy(fs::path(VARENTHE_SOURCE) / part, scratch / part, fs::copy_options::recursive);
    // Whatever the script leaves running carries this in its environment.
    const std::string mark = "VARENTHE_RUN_TEST=" + std::to_string(getpid());
    EXPECT_EQ(shell("env -u DISPLAY TMPDIR=$PWD/tmp " + mark + " ./run.sh"),
              "exit 0: No X display, so instead of starting the viewer run.sh rendered every shape on a private Xvfb "
              "server.\nThe pictures of the 28 shapes, contact-sheet.png and the card index.html are in " +
                  (scratch / "gallery").string() + "\n");
    EXPECT_EQ(shell("cd gallery && ls [0-9][0-9]-*.png | wc -l && ls contact-sheet.png index.html"),
              "exit 0: 28\ncontact-sheet.png\nindex.html\n");
    EXPECT_TRUE(fs::is_empty(scratch / "tmp")) << "run.sh left its temporary files";
    const std::string left = "grep -lsxz " + mark + " /proc/[0-9]*/environ";
    EXPECT_EQ(shell(left + "; true"), "exit 0: ") << "run.sh left these running; they are ended now";
    shell(left + " | cut -d/ -f3 | xargs -r kill");
    const std::string display = std::getenv("DISPLAY");
    ASSERT_NO_FATAL_FAILURE(launch("cd " + scratch.string() + " && DISPLAY=:9999 exec ./run.sh -display " + display));
    EXPECT_EQ(escape(), 0);
}

} // namespace
