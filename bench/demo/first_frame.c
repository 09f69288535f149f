/* Host-side helper of the start-up bench (built by run.sh with the host's C compiler and Xlib):
 * waits until a visible window whose title starts with <prefix> shows two pixels that pass a
 * check, reading just those two pixels every 2 ms, and prints "<shown ms> <ready ms>": the time
 * from <t0> until the window was first visible and until the check passed. A screenshot tool
 * would take 100 to 200 ms a look, more than the differences being measured.
 * Usage: first_frame <t0: ns since the epoch> <timeout ms> <title prefix> cleared|scene
 *   cleared: (2,2) and (400,300) are the clear colour 000080 (the minimal program's frame)
 *   scene:   (2,2) is the clear colour and (397,420), the lit skull, is not (the demo's frame)
 * Exit status 0 when the check passed, 1 on time-out or bad arguments. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static const unsigned long ClearColour = 0x000080;

static int IgnoreErrors(Display* display, XErrorEvent* error)
{
    (void)display;
    (void)error; /* the window may vanish or not be mapped yet between two calls */
    return 0;
}

static long long NowNs(void)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static Window FindVisible(Display* display, Window parent, const char* prefix, int depth)
{
    Window root, up, *children = NULL, found = 0;
    unsigned int count = 0, i;
    if (depth > 3 || !XQueryTree(display, parent, &root, &up, &children, &count))
        return 0;
    for (i = count; i-- > 0 && !found;)
    {
        XWindowAttributes attributes;
        char* name = NULL;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            XFetchName(display, children[i], &name) && name && strncmp(name, prefix, strlen(prefix)) == 0)
            found = children[i];
        if (name)
            XFree(name);
        if (!found)
            found = FindVisible(display, children[i], prefix, depth + 1);
    }
    if (children)
        XFree(children);
    return found;
}

static int Pixel(Display* display, Window window, int x, int y, unsigned long* value)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    *value = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 5)
    {
        fprintf(stderr, "usage: first_frame <t0 ns> <timeout ms> <title prefix> cleared|scene\n");
        return 1;
    }
    const long long t0 = atoll(argv[1]);
    const long long timeout = atoll(argv[2]) * 1000000LL;
    const char* prefix = argv[3];
    const int scene = strcmp(argv[4], "scene") == 0;
    const struct timespec pause = {0, 2000000};
    Display* display = XOpenDisplay(NULL);
    for (int attempt = 0; !display && attempt < 250; ++attempt) /* a busy server may refuse for a moment */
    {
        nanosleep(&pause, NULL);
        display = XOpenDisplay(NULL);
    }
    if (!display)
    {
        fprintf(stderr, "first_frame: cannot open the display\n");
        printf("0 0\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    long long shown = 0;
    Window window = 0;
    while (NowNs() - t0 < timeout)
    {
        if (!window)
            window = FindVisible(display, DefaultRootWindow(display), prefix, 0);
        if (window)
        {
            unsigned long corner, probe;
            if (!shown)
                shown = NowNs() - t0;
            if (Pixel(display, window, 2, 2, &corner) &&
                Pixel(display, window, scene ? 397 : 400, scene ? 420 : 300, &probe) && corner == ClearColour &&
                (scene ? probe != ClearColour : probe == ClearColour))
            {
                printf("%lld %lld\n", shown / 1000000, (NowNs() - t0) / 1000000);
                XCloseDisplay(display);
                return 0;
            }
        }
        nanosleep(&pause, NULL);
    }
    printf("0 0\n");
    XCloseDisplay(display);
    return 1;
}
