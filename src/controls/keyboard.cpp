#include "controls/controls.h"

#include "viewer/viewer_state.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

static constexpr double ANGLE_STEP = 2.0;
static constexpr double DISTANCE_STEP = 0.2;
static constexpr float ANGLE_LOWEST = 0.0f;
static constexpr float ANGLE_HIGHEST = 360.0f;

// The step is added in double precision and the sum rounded to single on the
// store; the wrap compares the stored value, strictly, so 360 and 0 themselves
// stay. Only the limit in the direction of travel wraps: -33 rises towards 0.
static void raiseAngle(float& angle)
{
    angle = static_cast<float>(angle + ANGLE_STEP);
    if (angle > ANGLE_HIGHEST)
        angle = ANGLE_LOWEST;
}

static void lowerAngle(float& angle)
{
    angle = static_cast<float>(angle - ANGLE_STEP);
    if (angle < ANGLE_LOWEST)
        angle = ANGLE_HIGHEST;
}

void applyKey(unsigned char key)
{
    switch (key) {
    case 'S': ++slices; break;
    case 's': --slices; break;
    case 'T': ++stacks; break;
    case 't': --stacks; break;
    case 'X': raiseAngle(azimuth); break;
    case 'x': lowerAngle(azimuth); break;
    case 'Y': raiseAngle(elevation); break;
    case 'y': lowerAngle(elevation); break;
    case 'W': raiseAngle(twist); break;
    case 'w': lowerAngle(twist); break;
    // No bound: the distance passes below 0, never exactly on it, and goes on.
    case 'Z': distance = static_cast<float>(distance + DISTANCE_STEP); break;
    case 'z': distance = static_cast<float>(distance - DISTANCE_STEP); break;
    case 'R':
    case 'r': resetCamera(); break;
    case 'O':
    case 'o': cameraToOrigin(); break;
    default: break;
    }
}

void formatCameraTrace(char* text, std::size_t size)
{
    std::snprintf(text, size, "Camera: d: %f, e:%f, a:%f, t:%f", static_cast<double>(distance),
                  static_cast<double>(elevation), static_cast<double>(azimuth), static_cast<double>(twist));
}

void printCameraTrace()
{
    char line[CAMERA_TRACE_SIZE];
    formatCameraTrace(line, sizeof line);
    std::printf("%s\n", line);
    // Into a file or a pipe stdio would hold the lines back until its buffer
    // fills, and a viewer that is killed would lose them: each goes out at once.
    std::fflush(stdout);
}

void onKey(unsigned char key, int, int)
{
    if (key == KEY_ESCAPE)
        std::exit(0);
    applyKey(key);
    glutPostRedisplay();
    printCameraTrace();
}
