#include "app/app.h"
#include "controls/controls.h"
#include "gallery/card.h"
#include "gallery/offscreen.h"
#include "gallery/options.h"
#include "gallery/pictures.h"
#include "gallery/programs.h"
#include "gallery/save.h"
#include "gallery/sheet.h"
#include "render/frame.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <thread>
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

static void explainUnwritten(const GalleryOptions& options, const std::string& name, const std::string& error)
{
    std::fprintf(stderr, "%s: cannot write %s: %s\n", PROGRAM, (options.dir / name).c_str(), error.c_str());
}

// The first error in writing the report, told at the end: the pictures matter
// more than their listing, so a reader that goes away or a full disk under
// standard output stops nothing.
static int reportError = 0;

// One line per picture, tab-separated, with what it takes to make it again:
// file, menu label, slices, stacks and the viewer's own camera trace.
static void report(const std::string& name, const std::string& label, const std::string& slicesAndStacks)
{
    std::printf("%s\t%s\t%s\t", name.c_str(), label.c_str(), slicesAndStacks.c_str());
    printCameraTrace();
    if (std::ferror(stdout) != 0 && reportError == 0)
        reportError = errno != 0 ? errno : EIO;
}

// Writes a text file of the run and lists it; false after a message.
static bool writeListed(const GalleryOptions& options, const std::string& name, const std::string& text,
                        const std::string& label, const std::string& slicesAndStacks)
{
    std::string error;
    if (!writeTextFile(options.dir, name, text, error)) {
        explainUnwritten(options, name, error);
        return false;
    }
    report(name, label, slicesAndStacks);
    return true;
}

// A picture being written while the next ones are drawn.
struct InFlight {
    const PictureEntry* entry = nullptr;
    PictureWrite write;
};

// Waits for the oldest picture in flight and gives it its name; false after a message.
static bool finishOldest(const GalleryOptions& options, std::deque<InFlight>& inFlight)
{
    // Out of the queue first: whatever is thrown from here on, finishWriting
    // has already removed the picture or given it its name.
    InFlight oldest = std::move(inFlight.front());
    inFlight.pop_front();
    std::string error;
    const PictureEntry& entry = *oldest.entry;
    const std::string counts = std::to_string(entry.slices) + "\t" + std::to_string(entry.stacks);
    if (!finishWriting(oldest.write, true, error)) {
        explainUnwritten(options, entry.fileName, error);
        return false;
    }
    report(entry.fileName, entry.label, counts);
    // The program after its picture, with the camera that the keys left.
    return !options.programs ||
           writeListed(options, programName(entry),
                       pictureProgram(entry, options.size, {distance, elevation, azimuth, twist}), entry.label, counts);
}

// Removes every picture still in flight, once one could not be written.
static void abandon(std::deque<InFlight>& inFlight)
{
    for (InFlight& picture : inFlight) {
        std::string ignored;
        try {
            finishWriting(picture.write, false, ignored);
        } catch (const std::bad_alloc&) {
            // Removed all the same.
        }
    }
    inFlight.clear();
}

// Draws every picture of the list in its order, each written on a thread of
// its own while the next are drawn, and reported once it is written, in
// order; then the contact sheet. False after a message; nothing is left half
// written either way.
static bool drawPictures(const GalleryOptions& options, const PictureList& list)
{
    // One picture written per core keeps every core busy and bounds the
    // memory: that many pictures, the one being drawn and the sheet.
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t limit = std::min(cores, static_cast<std::size_t>(MAX_PICTURES_IN_FLIGHT - 1));
    // Made before the first picture: if memory is short, it is short at once.
    Picture sheet = startSheet(list, options.size);
    std::deque<InFlight> inFlight;
    try {
        for (const PictureEntry& entry : list.pictures) {
            if (inFlight.size() == limit && !finishOldest(options, inFlight)) {
                abandon(inFlight);
                return false;
            }
            // A black picture is no failure: keys can take the whole scene
            // beyond the far plane.
            Picture picture = drawAndReadBack(entry, options.size);
            placeOnSheet(sheet, entry, picture);
            InFlight next;
            next.entry = &entry;
            std::string error;
            if (!startWriting(options.dir, entry.fileName, std::move(picture), next.write, error)) {
                while (!inFlight.empty() && finishOldest(options, inFlight)) {
                }
                abandon(inFlight);
                explainUnwritten(options, entry.fileName, error);
                return false;
            }
            inFlight.push_back(std::move(next));
        }
        while (!inFlight.empty()) {
            if (!finishOldest(options, inFlight)) {
                abandon(inFlight);
                return false;
            }
        }
    } catch (...) {
        abandon(inFlight);
        throw;
    }
    if (!letterSheet(sheet, list))
        std::fprintf(stderr, "%s: warning: GLUT's font cannot be drawn here, so the contact sheet has no text\n",
                     PROGRAM);
    PictureWrite write;
    std::string error;
    if (!startWriting(options.dir, CONTACT_SHEET_NAME, std::move(sheet), write, error) ||
        !finishWriting(write, true, error)) {
        explainUnwritten(options, CONTACT_SHEET_NAME, error);
        return false;
    }
    report(CONTACT_SHEET_NAME, "contact sheet", list.sheetCounts);
    return writeListed(options, CARD_NAME, referenceCard(list, options), "reference card", list.sheetCounts);
}

// Everything that needs the display, which is open as probe: the window and
// its GL context, the pictures, and what the driver holds for them freed
// again. The exit status.
static int drawGallery(const GalleryOptions& options, char** argv, Display* probe)
{
    // Blocked before glutInit, so that the threads the driver starts for the
    // window's context have them blocked too and only this one takes them;
    // taken once the context and the framebuffer are made.
    blockEndingSignals();
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
    const std::string unavailable = openOffscreen(options.size);
    if (!unavailable.empty()) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, unavailable.c_str());
    } else {
        onReshape(options.size, options.size);
        for (char key : options.keys)
            applyKey(static_cast<unsigned char>(key));
        takeEndingSignals();
        drawn = drawPictures(options, listPictures(options));
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
    // Memory for one picture and the sheet may be lacking, and the driver may
    // find it lacking as it frees what it holds. The process ends anyway, and
    // with it everything it holds.
    try {
        return drawGallery(options, argv, probe);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory for %d x %d pictures and their contact sheet\n", PROGRAM, options.size,
                     options.size);
        return 1;
    }
}
