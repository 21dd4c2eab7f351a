// Launch to first pixel, timed from outside any player. Runs a command on the X display in $DISPLAY (its
// output sent to standard error), prints the milliseconds from launching it until a pixel of the screen,
// black before (Xvfb -br), is not black as the X server reads it back, and ends its process group.
// Used by bench/peer_startup.sh.   Usage: tavrik_first_pixel [--timeout SECONDS] -- COMMAND ARGS...
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t interrupted = 0;

double nowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Whether any pixel differs from black in the screen's depth (padding bits are ignored). XGetPixel over
// a whole screen costs milliseconds, so the 32-bit pixels every 24-bit screen uses are read directly.
bool anyLit(XImage* image, unsigned long black, unsigned long depthMask) {
  constexpr int nativeOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == nativeOrder;
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      std::uint32_t pixel = 0;
      if (direct)
        std::memcpy(&pixel, image->data + y * image->bytes_per_line + 4 * x, sizeof pixel);
      else
        pixel = static_cast<std::uint32_t>(XGetPixel(image, x, y));
      if ((pixel & depthMask) != black) return true;
    }
  return false;
}

// Whether the root window shows anything but black, read in strips of 128 rows (512 kB on Xvfb's
// screen), the first lit one ending the reading.
bool screenLit(Display* display) {
  const int screen = DefaultScreen(display), width = DisplayWidth(display, screen);
  const int height = DisplayHeight(display, screen), depth = DefaultDepth(display, screen);
  const unsigned long depthMask = depth >= 32 ? ~0UL : (1UL << depth) - 1;
  constexpr int kStrip = 128;
  for (int y = 0; y < height; y += kStrip) {
    XImage* image = XGetImage(display, RootWindow(display, screen), 0, y, width, std::min(kStrip, height - y),
                              AllPlanes, ZPixmap);
    if (!image) continue;  // read again at the next poll
    const bool lit = anyLit(image, BlackPixel(display, screen) & depthMask, depthMask);
    XDestroyImage(image);
    if (lit) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const auto usage = [] {
    std::fprintf(stderr, "usage: tavrik_first_pixel [--timeout SECONDS] -- COMMAND [ARGS...]\n");
    return 2;
  };
  double timeoutS = 10;
  char** command = argv + 1;
  if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
    char* end = nullptr;
    timeoutS = std::strtod(argv[2], &end);
    if (*end || !(timeoutS > 0)) return usage();
    command += 2;
  }
  if (!*command || std::strcmp(*command, "--") != 0 || !command[1]) return usage();
  ++command;

  Display* display = XOpenDisplay(nullptr);
  if (!display)
    return std::fprintf(stderr, "tavrik_first_pixel: cannot open display \"%s\"\n", XDisplayName(nullptr)), 1;
  fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  // Memory fresh from the system is dear on a virtual machine: a screen's worth of new pages for each
  // reading cost some 20 ms in page faults, the reading itself 1 ms. So what one reading frees is kept.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  if (screenLit(display))
    return std::fprintf(stderr, "tavrik_first_pixel: the screen is not black to begin with (Xvfb -br)\n"), 1;
  const auto onSignal = [](int) { interrupted = 1; };
  signal(SIGINT, onSignal);
  signal(SIGTERM, onSignal);

  // The child reports a failed exec through a pipe that a successful exec closes.
  int execReport[2];
  if (pipe2(execReport, O_CLOEXEC) != 0) return std::perror("tavrik_first_pixel: pipe"), 1;
  const double launched = nowMs();
  const pid_t child = fork();
  if (child < 0) return std::perror("tavrik_first_pixel: fork"), 1;
  if (child == 0) {
    setpgid(0, 0);                       // its own group, so that everything it starts is ended with it
    dup2(STDERR_FILENO, STDOUT_FILENO);  // our standard output carries the time alone
    execvp(command[0], command);
    (void)!write(execReport[1], &errno, sizeof errno);
    _exit(127);
  }
  setpgid(child, child);  // either side may run first
  close(execReport[1]);
  int execError = 0;
  const ssize_t got = read(execReport[0], &execError, sizeof execError);  // restarted after a signal
  close(execReport[0]);
  if (got > 0) {
    std::fprintf(stderr, "tavrik_first_pixel: cannot start %s: %s\n", command[0], std::strerror(execError));
    waitpid(child, nullptr, 0);
    return 1;
  }

  const double deadline = launched + timeoutS * 1e3;
  int status = 0;
  bool lit = false, exited = false;
  double now = launched;
  for (;;) {
    lit = screenLit(display);
    now = nowMs();
    if (lit || interrupted || now > deadline) break;
    if ((exited = waitpid(child, &status, WNOHANG) == child)) break;
    usleep(1000);  // a reading about every millisecond
  }
  kill(-child, SIGKILL);
  if (!exited) waitpid(child, nullptr, 0);
  XCloseDisplay(display);

  if (lit) return std::printf("%.1f\n", now - launched), 0;
  if (exited)
    std::fprintf(stderr, "tavrik_first_pixel: %s %s %d before showing anything\n", command[0],
                 WIFEXITED(status) ? "exited with status" : "was ended by signal",
                 WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
  else if (interrupted)
    std::fprintf(stderr, "tavrik_first_pixel: interrupted\n");
  else
    std::fprintf(stderr, "tavrik_first_pixel: nothing but black on the screen after %g s\n", timeoutS);
  return 1;
}
