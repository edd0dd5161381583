#include "bench.h"

#include "app/app.h"
#include "render/shapes.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

static constexpr int EARLY_FRAMES = 100;
static constexpr int LATE_FRAMES = 10000;
static constexpr int INITIAL_COUNT = 10;
static constexpr double KIB = 1024.0;

// Bytes that malloc has handed out and not had back, over all arenas and
// including blocks served by mmap: llvmpipe's threads allocate in arenas of
// their own.
static double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

static double residentBytes()
{
    long size = 0;
    long resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
        fail("cannot read /proc/self/statm");
    std::fclose(statm);
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

static const char* programName(Program program)
{
    switch (program) {
    case Program::VIEWER: return "viewer";
    case Program::FLOOR: return "floor, direct calls";
    case Program::LIST_FLOOR: return "floor, lists per frame";
    }
    return "?";
}

static void drawFrames(Program program, ShapeId shape, int frames)
{
    const GLenum style = shape == SHAPE_CLOSED_CYLINDER_SOLID ? GLU_FILL : GLU_LINE;
    for (int frame = 0; frame < frames; ++frame) {
        switch (program) {
        case Program::VIEWER: onDisplay(); break;
        case Program::FLOOR: drawFloorShape(shape, INITIAL_COUNT, INITIAL_COUNT); break;
        case Program::LIST_FLOOR: drawFloorClosedCylinderLists(style, INITIAL_COUNT, INITIAL_COUNT); break;
        }
        glFinish();
    }
}

int runMemoryBenchmark(Program program, ShapeId shape)
{
    int argc = 1;
    char name[] = "varenthe-bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    if (program == Program::VIEWER) {
        openViewerWindow();
        initRendering();
        waitUntilWindowShown(onReshape);
        selectedShape = shape;
    } else {
        openFloorWindow();
        setFloorFixedState();
        waitUntilWindowShown(onFloorReshape);
        loadFloorFrameState();
    }

    drawFrames(program, shape, EARLY_FRAMES);
    const double earlyHeap = heapInUse();
    const double earlyResident = residentBytes();
    drawFrames(program, shape, LATE_FRAMES - EARLY_FRAMES);
    const double lateHeap = heapInUse();
    const double lateResident = residentBytes();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    std::printf("| %d | %s | %.1f | %.1f | %+.1f | %.0f | %.0f | %+.0f | %ld |\n", shape,
                programName(program), earlyHeap / KIB, lateHeap / KIB,
                (lateHeap - earlyHeap) / (LATE_FRAMES - EARLY_FRAMES), earlyResident / KIB,
                lateResident / KIB, (lateResident - earlyResident) / KIB, usage.ru_maxrss);
    std::fflush(stdout);
    return 0;
}
