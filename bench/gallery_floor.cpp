// The gallery's floor: the pictures of a varenthe-gallery command line drawn,
// read back and placed on the contact sheet as the gallery does, through its
// own code, but nothing encoded or written. bench/run.sh times the gallery
// against it, so the ratio is what saving the pictures costs.

#include "app/app.h"
#include "controls/controls.h"
#include "gallery/contact_sheet.h"
#include "gallery/offscreen.h"
#include "gallery/options.h"
#include "gallery/picture_list.h"
#include "viewer/viewer_state.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    GalleryOptions options;
    std::string error;
    if (!parseGalleryArgs(argc, argv, options, error) || options.help) {
        std::fprintf(stderr, "usage: varenthe-gallery-floor [the gallery's options]\n");
        return 2;
    }
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    openViewerWindow();
    initRendering();
    if (const std::string unavailable = openOffscreen(options.size); !unavailable.empty()) {
        std::fprintf(stderr, "varenthe-gallery-floor: %s\n", unavailable.c_str());
        return 1;
    }
    onReshape(options.size, options.size);
    for (char key : options.keys)
        applyKey(static_cast<unsigned char>(key));
    const PictureList list = listPictures(options);
    ContactSheet sheet(list, options.size);
    for (const PictureEntry& entry : list.pictures) {
        Picture picture;
        drawPicture(entry, options.size, picture);
        sheet.place(entry, picture);
        sheet.takeFinishedBands();
    }
    closeOffscreen();
    glutDestroyWindow(glutGetWindow());
    glutExit();
    return 0;
}
