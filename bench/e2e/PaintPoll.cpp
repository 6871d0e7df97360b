// Times "click → answer painted" as a user sees it: presses a key or clicks
// through XTest, then reads the pixels of one area of the screen as fast as
// the X server hands them over (shared memory), until the area has stayed
// the same for a while. Prints, in ms from the input:
//   first <ms>    the first frame that differs from the one before the input
//   answer <ms>   the first frame from which the area stays as it ends
//   blank <ms>    how long the area was plain white on the way (0: never)
//   whites <n>    how many of the distinct frames were plain white
//   frames <n>    distinct frames seen, and the polls made
//   file <ms>     when the file given with --file was replaced (-1: never)
//   log <ms>      when the file given with --log grew (-1: never)
//   clock <ms>    the input's moment on the system's monotonic clock, to
//                 line up with what the program under test notes
// Usage:
//   paint_poll X Y WIDTH HEIGHT (click:X,Y | key:KEYSYM) [--settle MS] [--limit MS]
//              [--file PATH] [--log PATH] [--save PPM]
// Coordinates are the screen's.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::uint64_t hashOf(const char *data, std::size_t size)
{
    std::uint64_t h = 1469598103934665603ull;
    const auto *words = reinterpret_cast<const std::uint64_t *>(data);
    for (std::size_t i = 0; i < size / 8; ++i)
        h = (h ^ words[i]) * 1099511628211ull;
    return h;
}

bool allWhite(const XImage *image)
{
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            if ((XGetPixel(const_cast<XImage *>(image), x, y) & 0xffffff) != 0xffffff)
                return false;
    return true;
}

// An identity of the file at PATH that changes when it is replaced or grows.
std::string fileState(const char *path)
{
    struct stat st
    {};
    if (!path || stat(path, &st) != 0)
        return {};
    return std::to_string(st.st_ino) + ':' + std::to_string(st.st_size) + ':' +
           std::to_string(st.st_mtim.tv_nsec);
}

void savePpm(const XImage *image, const char *path)
{
    FILE *out = std::fopen(path, "wb");
    if (!out)
        return;
    std::fprintf(out, "P6\n%d %d\n255\n", image->width, image->height);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(const_cast<XImage *>(image), x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                          static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, out);
        }
    std::fclose(out);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: %s X Y WIDTH HEIGHT (click:X,Y | key:KEYSYM) [--settle MS] "
                     "[--limit MS] [--file PATH] [--log PATH] [--save PPM]\n",
                     argv[0]);
        return 2;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    const std::string action = argv[5];
    double settle = 1500, limit = 30000;
    const char *file = nullptr, *log = nullptr, *save = nullptr;
    for (int i = 6; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--settle")
            settle = std::atof(argv[i + 1]);
        else if (option == "--limit")
            limit = std::atof(argv[i + 1]);
        else if (option == "--file")
            file = argv[i + 1];
        else if (option == "--log")
            log = argv[i + 1];
        else if (option == "--save")
            save = argv[i + 1];
    }

    Display *display = XOpenDisplay(nullptr);
    if (!display || !XShmQueryExtension(display)) {
        std::fprintf(stderr, "no display with shared memory images\n");
        return 2;
    }
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XShmSegmentInfo segment{};
    XImage *image =
        XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                        ZPixmap, nullptr, &segment, width, height);
    const std::size_t size = static_cast<std::size_t>(image->bytes_per_line) * height;
    segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char *>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr); // gone once both sides detach

    const auto grab = [&] {
        XShmGetImage(display, root, image, x, y, AllPlanes);
        return hashOf(image->data, size);
    };
    std::uint64_t last = grab();
    const std::string fileBefore = fileState(file), logBefore = fileState(log);

    // The input. A click counts from its release, a key from its press: that
    // is when the button and the line edit act. The clock starts as the event
    // is sent, before the X server has taken it.
    Clock::time_point t0;
    if (action.rfind("click:", 0) == 0) {
        int cx = 0, cy = 0;
        std::sscanf(action.c_str() + 6, "%d,%d", &cx, &cy);
        XTestFakeMotionEvent(display, screen, cx, cy, CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XSync(display, False);
        t0 = Clock::now();
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    } else if (action.rfind("key:", 0) == 0) {
        const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(action.c_str() + 4));
        t0 = Clock::now();
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XSync(display, False);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
    } else {
        std::fprintf(stderr, "unknown action %s\n", action.c_str());
        return 2;
    }
    XSync(display, False);

    double first = -1, answer = -1, fileAt = -1, logAt = -1;
    double blankFrom = -1, blank = 0;
    long polls = 0, frames = 0, whites = 0;
    while (true) {
        const double now = msSince(t0);
        const std::uint64_t h = grab();
        ++polls;
        if (h != last) {
            last = h;
            ++frames;
            if (first < 0)
                first = now;
            answer = now;
            // A plain white frame: the engine's blank page between two documents.
            if (allWhite(image)) {
                ++whites;
                if (blankFrom < 0)
                    blankFrom = now;
            } else if (blankFrom >= 0) {
                blank += now - blankFrom;
                blankFrom = -1;
            }
        }
        if (fileAt < 0 && file && fileState(file) != fileBefore)
            fileAt = now;
        if (logAt < 0 && log && fileState(log) != logBefore)
            logAt = now;
        if ((answer >= 0 && now - answer > settle) || now > limit)
            break;
        // A poll every 0.3 ms or so: the programs measured share the two cores.
        usleep(200);
    }
    if (save)
        savePpm(image, save);
    std::printf("first %.1f\nanswer %.1f\nblank %.1f\nwhites %ld\nframes %ld %ld\nfile %.1f\nlog "
                "%.1f\n",
                first, answer, blank, whites, frames, polls, fileAt, logAt);
    std::printf("clock %.2f\n",
                std::chrono::duration<double, std::milli>(t0.time_since_epoch()).count());
    XShmDetach(display, &segment);
    shmdt(segment.shmaddr);
    XCloseDisplay(display);
    return answer < 0 ? 1 : 0;
}
