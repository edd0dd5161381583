#include "viewer/viewer_state.h"

#include <GL/glu.h>

static constexpr std::int32_t INITIAL_COUNT = 10;
static constexpr float CAMERA_DISTANCE = 6.0f;
static constexpr float RESET_ELEVATION = 45.0f;
static constexpr float RESET_AZIMUTH = -33.0f;

ShapeId selectedShape = SHAPE_GLUT_WIRESPHERE;
std::int32_t slices = INITIAL_COUNT;
std::int32_t stacks = INITIAL_COUNT;
float distance = CAMERA_DISTANCE;
float twist = 0.0f;
float elevation = 0.0f;
float azimuth = 0.0f;

// The parameters are named apart from the state variables that callers pass.
void applyCamera(double eyeDistance, double twistAngle, double elevationAngle, double azimuthAngle)
{
    glTranslated(0.0, 0.0, -eyeDistance);
    glRotated(elevationAngle, 1.0, 0.0, 0.0);
    glRotated(azimuthAngle, 0.0, 1.0, 0.0);
    glRotated(-twistAngle, 0.0, 0.0, 1.0);
}

void setupProjection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, ASPECT_RATIO, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    applyCamera(distance, twist, elevation, azimuth);
}

void onReshape(int width, int height)
{
    // A height of 0 goes to GL as it is: nothing divides by it.
    glViewport(0, 0, width, height);
    setupProjection();
}

void resetCamera()
{
    distance = CAMERA_DISTANCE;
    twist = 0.0f;
    elevation = RESET_ELEVATION;
    azimuth = RESET_AZIMUTH;
}

void cameraToOrigin()
{
    distance = CAMERA_DISTANCE;
    twist = 0.0f;
    elevation = 0.0f;
    azimuth = 0.0f;
}
