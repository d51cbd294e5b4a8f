/*
 * Host-side helper of bench/run.sh: times a program from its launch to its
 * window being mapped and painted, by reading a pixel back from the X server,
 * or from its launch to its exit.
 *
 *   x11_watch start TITLE X Y RRGGBB TIMEOUT_S -- PROGRAM [ARGS...]
 *       Starts PROGRAM, polls every millisecond for a viewable window
 *       titled TITLE whose pixel at (X, Y) is RRGGBB, and prints
 *       "<milliseconds> <pid>". The program is left running.
 *   x11_watch pixel TITLE X Y TIMEOUT_S
 *       Prints the pixel at (X, Y) of the window titled TITLE as RRGGBB
 *       once the window is viewable and painted (not black).
 *   x11_watch exit TIMEOUT_S -- PROGRAM [ARGS...]
 *       Starts PROGRAM, waits for it to exit and prints
 *       "<milliseconds> <exit status>"; needs no display. A program still
 *       running after TIMEOUT_S is killed and "-1 -1" printed.
 * Exits 1 when the window, the colour or the exit did not come in time.
 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* Windows vanish between the tree query and the next request. */
static int ignore_errors(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

static int title_is(Display* d, Window w, const char* title) {
    static Atom net_wm_name = None, utf8 = None;
    int same = 0;
    char* name = NULL;
    if (XFetchName(d, w, &name) && name) {
        same = strcmp(name, title) == 0;
        XFree(name);
        if (same)
            return 1;
    }
    if (net_wm_name == None) {
        net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
        utf8 = XInternAtom(d, "UTF8_STRING", False);
    }
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* value = NULL;
    if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &format, &count, &after, &value) ==
            Success &&
        value) {
        same = strcmp((const char*)value, title) == 0;
        XFree(value);
    }
    return same;
}

/* The viewable window titled `title`, searched two levels below the root
   (the window manager's frames hold the clients). */
static Window find_window(Display* d, Window parent, const char* title, int depth) {
    Window root, up, *children = NULL, found = None;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &count))
        return None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable)
            continue;
        if (title_is(d, children[i], title))
            found = children[i];
        else if (depth > 0)
            found = find_window(d, children[i], title, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

static long read_pixel(Display* d, Window w, int x, int y) {
    XImage* image = XGetImage(d, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    long pixel = (long)(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
}

/* Starts the program with its standard streams on /dev/null: the caller
   reads our output through a pipe until every writer has closed it, and the
   program must not hold it open. `display_fd` (or -1) is not passed on. */
static pid_t launch(char** argv, int display_fd) {
    pid_t pid = fork();
    if (pid == 0) {
        int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        if (display_fd >= 0)
            close(display_fd);
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

static void pause_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

/* The time from fork to the program's exit, as the same clock sees it: for
   a Windows program under Wine this is the whole process, Wine's own start
   and the wineserver's bookkeeping at exit included. */
static int time_to_exit(int argc, char** argv) {
    if (argc < 5 || strcmp(argv[3], "--") != 0) {
        fprintf(stderr, "x11_watch exit: PROGRAM missing\n");
        return 2;
    }
    const double timeout_ms = atof(argv[2]) * 1000.0;
    const double t0 = now_ms();
    const pid_t pid = launch(argv + 4, -1);
    if (pid < 0) {
        perror("x11_watch: fork");
        return 2;
    }
    int status = 0;
    while (now_ms() - t0 < timeout_ms) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            const double ms = now_ms() - t0;
            printf("%.1f %d\n", ms, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            return 0;
        }
        if (done < 0) {
            perror("x11_watch: waitpid");
            return 2;
        }
        pause_ms(1);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    fprintf(stderr, "x11_watch: the program did not exit in time\n");
    printf("-1 -1\n");
    return 1;
}

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "exit") == 0)
        return time_to_exit(argc, argv);
    if (argc < 6) {
        fprintf(stderr, "usage: x11_watch start TITLE X Y RRGGBB TIMEOUT_S -- PROGRAM [ARGS...]\n"
                        "       x11_watch pixel TITLE X Y TIMEOUT_S\n"
                        "       x11_watch exit TIMEOUT_S -- PROGRAM [ARGS...]\n");
        return 2;
    }
    const int start = strcmp(argv[1], "start") == 0;
    const char* title = argv[2];
    const int x = atoi(argv[3]), y = atoi(argv[4]);
    const long want = start ? strtol(argv[5], NULL, 16) : -1;
    const double timeout_ms = atof(argv[start ? 6 : 5]) * 1000.0;
    if (start && (argc < 9 || strcmp(argv[7], "--") != 0)) {
        fprintf(stderr, "x11_watch start: PROGRAM missing\n");
        return 2;
    }

    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "x11_watch: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    signal(SIGCHLD, SIG_IGN); /* the program is not waited for */

    const double t0 = now_ms();
    pid_t pid = 0;
    if (start)
        pid = launch(argv + 8, ConnectionNumber(d));
    /* The tree is searched every few milliseconds, a found window's pixel
       read every millisecond: a search takes a dozen round trips to the
       server, and the program being timed shares the processors. */
    Window w = None;
    double last_search = -1e9;
    while (now_ms() - t0 < timeout_ms) {
        if (w == None && now_ms() - last_search >= 5.0) {
            last_search = now_ms();
            w = find_window(d, DefaultRootWindow(d), title, 2);
        }
        if (w != None) {
            const long pixel = read_pixel(d, w, x, y);
            if (pixel < 0) {
                w = None;
            } else if (!start && pixel != 0) {
                /* Black is the window before its first paint. */
                printf("%06lX\n", pixel);
                return 0;
            } else if (pixel == want) {
                printf("%.1f %d\n", now_ms() - t0, (int)pid);
                return 0;
            }
        }
        pause_ms(1);
    }
    fprintf(stderr, "x11_watch: no window \"%s\" showing #%06lX at (%d, %d) in time\n", title, want, x, y);
    if (start)
        printf("-1 %d\n", (int)pid);
    return 1;
}
