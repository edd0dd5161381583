#include "controls/controls.h"

#include "viewer/viewer_state.h"

#include <GL/glut.h>

#include <cstdlib>

struct MenuEntry {
    const char* label;
    int value;
};

// The labels go to GLUT as they stand, doubled ampersands included.
static const MenuEntry MENU_ENTRIES[] = {
    {"GLU_CYLINDER (wire)", SHAPE_GLU_CYLINDER_WIRE},
    {"GLU_CYLINDER (solid)", SHAPE_GLU_CYLINDER_SOLID},
    {"GLU_DISK (wire)", SHAPE_GLU_DISK_WIRE},
    {"GLU_DISK (solid)", SHAPE_GLU_DISK_SOLID},
    {"GLU_PARTIALDISK (wire)", SHAPE_GLU_PARTIALDISK_WIRE},
    {"GLU_PARTIALDISK (solid)", SHAPE_GLU_PARTIALDISK_SOLID},
    {"GLU_SPHERE (wire)", SHAPE_GLU_SPHERE_WIRE},
    {"GLU_SPHERE (solid)", SHAPE_GLU_SPHERE_SOLID},
    {"wire cylinder with top && bottom", SHAPE_CLOSED_CYLINDER_WIRE},
    {"solid cylinder with top && bottom", SHAPE_CLOSED_CYLINDER_SOLID},
    {"GLUT_WIRESPHERE", SHAPE_GLUT_WIRESPHERE},
    {"GLUT_SOLIDSPHERE", SHAPE_GLUT_SOLIDSPHERE},
    {"GLUT_WIRECONE", SHAPE_GLUT_WIRECONE},
    {"GLUT_SOLIDCONE", SHAPE_GLUT_SOLIDCONE},
    {"GLUT_WIRECUBE", SHAPE_GLUT_WIRECUBE},
    {"GLUT_SOLIDCUBE", SHAPE_GLUT_SOLIDCUBE},
    {"GLUT_WIRETORUS", SHAPE_GLUT_WIRETORUS},
    {"GLUT_SOLIDTORUS", SHAPE_GLUT_SOLIDTORUS},
    {"GLUT_WIREDODECAHEDRON", SHAPE_GLUT_WIREDODECAHEDRON},
    {"GLUT_SOLIDDODECAHEDRON", SHAPE_GLUT_SOLIDDODECAHEDRON},
    {"GLUT_WIREOCTAHEDRON", SHAPE_GLUT_WIREOCTAHEDRON},
    {"GLUT_SOLIDOCTAHEDRON", SHAPE_GLUT_SOLIDOCTAHEDRON},
    {"GLUT_WIRETETRAHEDRON", SHAPE_GLUT_WIRETETRAHEDRON},
    {"GLUT_SOLIDTETRAHEDRON", SHAPE_GLUT_SOLIDTETRAHEDRON},
    {"GLUT_WIREICOSAHEDRON", SHAPE_GLUT_WIREICOSAHEDRON},
    {"GLUT_SOLIDICOSAHEDRON", SHAPE_GLUT_SOLIDICOSAHEDRON},
    {"GLUT_WIRETEAPOT", SHAPE_GLUT_WIRETEAPOT},
    {"GLUT_SOLIDTEAPOT", SHAPE_GLUT_SOLIDTEAPOT},
    {"Reset camera position", MENU_RESET_CAMERA},
    {"Put camera at origin", MENU_CAMERA_TO_ORIGIN},
    {"Exit", MENU_EXIT},
};

const char* menuLabel(int value)
{
    for (const MenuEntry& entry : MENU_ENTRIES) {
        if (entry.value == value)
            return entry.label;
    }
    return nullptr;
}

// What a menu value other than MENU_EXIT does to the viewer state.
static void applyMenuChoice(int value)
{
    switch (value) {
    case MENU_RESET_CAMERA: resetCamera(); break;
    case MENU_CAMERA_TO_ORIGIN: cameraToOrigin(); break;
    default: selectedShape = value; break;
    }
}

void createShapeMenu()
{
    // The menu id is not kept: the menu is attached once and never changed.
    glutCreateMenu(onMenuSelect);
    for (const MenuEntry& entry : MENU_ENTRIES)
        glutAddMenuEntry(entry.label, entry.value);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void onMenuSelect(int value)
{
    if (value == MENU_EXIT)
        std::exit(0);
    applyMenuChoice(value);
    glutPostRedisplay();
}
