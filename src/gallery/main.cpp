#include "app/app.h"
#include "controls/controls.h"
#include "gallery/gallery.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

static constexpr char PROGRAM[] = "varenthe-gallery";

// Checked before glutInit, which would print its own message and exit. The
// connection stays open until GLUT has its own: an X server resets when its last
// client leaves, and a connection attempted during the reset is refused.
static Display* openDisplayOrExplain()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        std::fprintf(stderr, "%s: needs an X display to render on, and DISPLAY is not set\n", PROGRAM);
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        std::fprintf(stderr, "%s: needs an X display to render on, and cannot open \"%s\"\n", PROGRAM, name);
    return display;
}

static bool save(const std::filesystem::path& dir, const std::string& name, const Picture& picture)
{
    std::string error;
    if (savePicture(dir, name, picture, error))
        return true;
    std::fprintf(stderr, "%s: cannot write %s: %s\n", PROGRAM, (dir / name).c_str(), error.c_str());
    return false;
}

// The first error in writing the report, told at the end: the pictures matter
// more than their listing, so a reader that goes away or a full disk under
// standard output stops nothing.
static int reportError = 0;

// One line per picture, tab-separated, with what it takes to make it again:
// file, menu label, slices, stacks and the viewer's own camera trace.
static void report(const std::string& name, const char* label, const std::string& slicesAndStacks)
{
    std::printf("%s\t%s\t%s\t", name.c_str(), label, slicesAndStacks.c_str());
    printCameraTrace();
    if (std::ferror(stdout) != 0 && reportError == 0)
        reportError = errno != 0 ? errno : EIO;
}

static std::string currentCounts()
{
    return std::to_string(slices) + "\t" + std::to_string(stacks);
}

// A table's columns have counts of their own: "3,6,20" for both.
static std::string tableCounts(const std::vector<int>& counts)
{
    std::string list;
    for (int count : counts)
        list += (list.empty() ? "" : ",") + std::to_string(count);
    return list + "\t" + list;
}

// Draws every picture the options ask for into DIR; false after a message.
static bool drawPictures(const GalleryOptions& options)
{
    // Without counts the keys decide them, in one column.
    const std::vector<int> columns = options.counts.empty() ? std::vector<int>{0} : options.counts;
    const SheetText text = sheetText(options.shapes, options.counts);
    const SheetLayout layout = planSheet(options.size, text, static_cast<int>(options.counts.size()));
    // Made before the first picture: if memory is short, it is short at once.
    Picture sheet = blankSheet(layout);
    int index = 0;
    for (ShapeId shape : options.shapes) {
        for (int count : columns) {
            if (count > 0) {
                slices = count;
                stacks = count;
            }
            // A black picture is no failure: keys can take the whole scene
            // beyond the far plane.
            const Picture picture = drawAndReadBack(shape, options.size);
            const std::string name = shapeFileName(shape, count);
            if (!save(options.dir, name, picture))
                return false;
            report(name, menuLabel(shape), currentCounts());
            placePicture(sheet, layout, index++, picture);
        }
    }
    letterSheet(sheet, layout, text);
    if (!save(options.dir, CONTACT_SHEET_NAME, sheet))
        return false;
    report(CONTACT_SHEET_NAME, "contact sheet", options.counts.empty() ? currentCounts() : tableCounts(options.counts));
    return true;
}

int main(int argc, char** argv)
{
    // As in the viewer: a reader that goes away must not end the run.
    std::signal(SIGPIPE, SIG_IGN);
    openStandardDescriptors();
    GalleryOptions options;
    std::string error;
    if (!parseGalleryArgs(argc, argv, options, error)) {
        if (!error.empty())
            std::fprintf(stderr, "%s: %s\n", PROGRAM, error.c_str());
        std::fprintf(stderr, "Try '%s --help'.\n", PROGRAM);
        return 2;
    }
    if (options.help) {
        std::fputs(galleryUsage().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    Display* probe = openDisplayOrExplain();
    if (probe == nullptr)
        return 1;

    std::error_code failure;
    std::filesystem::create_directories(options.dir, failure);
    if (failure) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", PROGRAM, options.dir.c_str(), failure.message().c_str());
        XCloseDisplay(probe);
        return 1;
    }

    // The options are the gallery's, not GLUT's.
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    XCloseDisplay(probe);
    openViewerWindow();
    initRendering();
    // GLUT's events are never handled: the window is only there for its GL
    // context and need not be shown, and GLUT's own reshape to the window's
    // size never comes to undo the one below.
    bool drawn = false;
    if (!openOffscreen(options.size)) {
        std::fprintf(stderr, "%s: this OpenGL cannot draw into a %d x %d framebuffer object\n", PROGRAM, options.size,
                     options.size);
    } else {
        onReshape(options.size, options.size);
        for (char key : options.keys)
            applyKey(static_cast<unsigned char>(key));
        removeTemporaryFilesOnSignals();
        // Memory for one picture and the sheet may still be lacking.
        try {
            drawn = drawPictures(options);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "%s: out of memory for %d x %d pictures and their contact sheet\n", PROGRAM,
                         options.size, options.size);
        }
    }
    closeOffscreen();

    // Unlike the viewer, which ends inside a callback, the gallery returns: it
    // lets GLUT destroy the window and the GL context, so that the driver frees
    // what it holds for them before the process ends.
    glutDestroyWindow(glutGetWindow());
    glutExit();
    if (reportError != 0) {
        std::fprintf(stderr, "%s: cannot write the list of pictures to standard output: %s\n", PROGRAM,
                     std::strerror(reportError));
        return 1;
    }
    return drawn ? 0 : 1;
}
