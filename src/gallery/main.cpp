#include "app/app.h"
#include "controls/controls.h"
#include "gallery/card.h"
#include "gallery/contact_sheet.h"
#include "gallery/ending_signals.h"
#include "gallery/offscreen.h"
#include "gallery/options.h"
#include "gallery/picture_list.h"
#include "gallery/picture_writer.h"
#include "gallery/programs.h"
#include "gallery/report.h"
#include "gallery/sheet_writer.h"
#include "gallery/temporary_files.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <malloc.h>
#include <unistd.h>

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

// Checked before glutInit, which would print its own message and exit. The
// connection stays open until GLUT has its own: an X server resets when its last
// client leaves, and a connection attempted during the reset is refused.
static Display* openDisplayOrExplain()
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        complain("needs an X display to render on, and DISPLAY is %s", name == nullptr ? "not set" : "empty");
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        complain("needs an X display to render on, and cannot open \"%s\"", name);
    return display;
}

static Listing listingOf(const PictureEntry& entry)
{
    return {entry.label, std::to_string(entry.slices) + "\t" + std::to_string(entry.stacks)};
}

// Draws every picture of the list in its order, each written while the next
// are drawn and listed once it has its name, with its program if asked for;
// then the contact sheet, whose rows are written as they are filled, and the
// card. False after a message; whatever is unfinished then is removed on the
// way out.
static bool drawPictures(const GalleryOptions& options, const PictureList& list)
{
    ContactSheet sheet(list, options.size);
    SheetWriter sheetFile(CONTACT_SHEET_NAME, sheet.width(), sheet.height());
    PictureWriter writer(filesInFlight());
    const ProgramCamera camera{distance, elevation, azimuth, twist};
    for (const PictureEntry& entry : list.pictures) {
        // A black picture is no failure: keys can take the whole scene beyond
        // the far plane.
        Picture picture = writer.spare();
        if (!drawPicture(entry, options.size, picture))
            return false;
        sheet.place(entry, picture);
        if (!writer.write(entry.fileName, listingOf(entry), std::move(picture)) ||
            (options.programs &&
             !writer.writeText(programName(entry), listingOf(entry), pictureProgram(entry, options.size, camera))) ||
            !sheetFile.write(sheet.takeFinishedBands()))
            return false;
    }
    const Listing whole{"contact sheet", list.sheetCounts};
    return writer.finish() && sheetFile.write(sheet.takeFinishedBands()) && sheetFile.finish(whole) &&
           writer.writeText(CARD_NAME, {"reference card", list.sheetCounts}, referenceCard(list, options)) &&
           writer.finish();
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
        complain("%s", unavailable.c_str());
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
    if (reportError() != 0) {
        complain("cannot write the list of pictures to standard output: %s", std::strerror(reportError()));
        return 1;
    }
    return drawn ? 0 : 1;
}

int main(int argc, char** argv)
{
    // As in the viewer: a reader that goes away must not end the run.
    std::signal(SIGPIPE, SIG_IGN);
    openStandardDescriptors();
    // The writing threads share the main thread's malloc arena rather than
    // each reserving one of 64 MiB of address space: they allocate little
    // beside the pictures, which are mapped on their own.
    mallopt(M_ARENA_MAX, 1);
    GalleryOptions options;
    std::string error;
    if (!parseGalleryArgs(argc, argv, options, error)) {
        if (!error.empty())
            complain("%s", error.c_str());
        std::fprintf(stderr, "Try 'varenthe-gallery --help'.\n");
        return 2;
    }
    if (options.help) {
        std::fputs(galleryUsage().c_str(), stdout);
        if (std::fflush(stdout) == 0)
            return 0;
        complain("cannot write the usage to standard output: %s", std::strerror(errno));
        return 1;
    }
    Display* probe = openDisplayOrExplain();
    if (probe == nullptr)
        return 1;

    std::error_code failure;
    std::filesystem::create_directories(options.dir, failure);
    if (failure)
        complain("cannot create %s: %s", options.dir.c_str(), failure.message().c_str());
    else if (!openOutputFolder(options.dir, error))
        complain("cannot open %s: %s", options.dir.c_str(), error.c_str());
    if (failure || !error.empty()) {
        XCloseDisplay(probe);
        return 1;
    }
    try {
        return drawGallery(options, argv, probe);
    } catch (const std::bad_alloc&) {
        // Whatever was being written is gone by now. The driver may be what
        // ran short, half way through a call of its own, so nothing more of
        // it is trusted: the process ends here, its report lines out.
        complain("out of memory for %d x %d pictures and their contact sheet", options.size, options.size);
        std::fflush(stdout);
        _exit(1);
    }
}
