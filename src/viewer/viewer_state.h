#pragma once

#include <cstdint>

// What a frame draws. Even ids are the wire forms, the next odd id the solid form;
// any id without a constant below draws only the axes.
using ShapeId = std::int32_t;

constexpr ShapeId SHAPE_GLU_CYLINDER_WIRE = 2;
constexpr ShapeId SHAPE_GLU_CYLINDER_SOLID = 3;
constexpr ShapeId SHAPE_GLU_DISK_WIRE = 4;
constexpr ShapeId SHAPE_GLU_DISK_SOLID = 5;
constexpr ShapeId SHAPE_GLU_PARTIALDISK_WIRE = 6;
constexpr ShapeId SHAPE_GLU_PARTIALDISK_SOLID = 7;
constexpr ShapeId SHAPE_GLU_SPHERE_WIRE = 8;
constexpr ShapeId SHAPE_GLU_SPHERE_SOLID = 9;
constexpr ShapeId SHAPE_CLOSED_CYLINDER_WIRE = 10;
constexpr ShapeId SHAPE_CLOSED_CYLINDER_SOLID = 11;
constexpr ShapeId SHAPE_GLUT_WIRESPHERE = 20;
constexpr ShapeId SHAPE_GLUT_SOLIDSPHERE = 21;
constexpr ShapeId SHAPE_GLUT_WIRECONE = 22;
constexpr ShapeId SHAPE_GLUT_SOLIDCONE = 23;
constexpr ShapeId SHAPE_GLUT_WIRECUBE = 24;
constexpr ShapeId SHAPE_GLUT_SOLIDCUBE = 25;
constexpr ShapeId SHAPE_GLUT_WIRETORUS = 26;
constexpr ShapeId SHAPE_GLUT_SOLIDTORUS = 27;
constexpr ShapeId SHAPE_GLUT_WIREDODECAHEDRON = 28;
constexpr ShapeId SHAPE_GLUT_SOLIDDODECAHEDRON = 29;
constexpr ShapeId SHAPE_GLUT_WIREOCTAHEDRON = 30;
constexpr ShapeId SHAPE_GLUT_SOLIDOCTAHEDRON = 31;
constexpr ShapeId SHAPE_GLUT_WIRETETRAHEDRON = 32;
constexpr ShapeId SHAPE_GLUT_SOLIDTETRAHEDRON = 33;
constexpr ShapeId SHAPE_GLUT_WIREICOSAHEDRON = 34;
constexpr ShapeId SHAPE_GLUT_SOLIDICOSAHEDRON = 35;
constexpr ShapeId SHAPE_GLUT_WIRETEAPOT = 36;
constexpr ShapeId SHAPE_GLUT_SOLIDTEAPOT = 37;

// The whole mutable state of the viewer. The camera is kept in single precision
// on purpose: key steps are added in double and rounded back on every store, and
// the printed trace shows the rounding that collects.
extern ShapeId selectedShape;
extern std::int32_t slices;
extern std::int32_t stacks;
extern float distance;
extern float twist;
extern float elevation;
extern float azimuth;

// The fixed projection. The aspect ratio is fixed, so a window that is not
// square stretches the scene.
constexpr double FIELD_OF_VIEW = 60.0;
constexpr double ASPECT_RATIO = 1.0;
constexpr double NEAR_PLANE = 1.0;
constexpr double FAR_PLANE = 10.0;

// Multiplies the view transform onto the current matrix. The argument order is
// not the order in which the rotations act.
void applyCamera(double distance, double twist, double elevation, double azimuth);

// Loads the fixed projection, then the model-view matrix from the camera.
void setupProjection();

void onReshape(int width, int height);

// Presets: they set the four camera variables and nothing else, and leave the
// redisplay request to their callers.
void resetCamera();
void cameraToOrigin();
