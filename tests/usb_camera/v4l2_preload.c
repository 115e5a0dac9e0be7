// Preloaded into a process that talks to cameras emulated with umockdev, so
// that GStreamer's v4l2 source streams from them as from a kernel driver.
// umockdev answers ioctls only on the descriptor open() returned, but the
// source's buffer pool works on a dup() of it; and poll() on an emulated node
// never waits for a frame. So: ioctls on a copy go to the original, the
// original stays open while copies live, and poll() waits on a FIFO that the
// emulator writes one byte into per finished frame (one byte is taken back
// per dequeued buffer). Must come before umockdev's library in LD_PRELOAD.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxFds = 4096, kMaxPolled = 64 };

struct Node {
  int origin;  // the descriptor umockdev knows, or -1
  int fifo;
  int users;   // the origin and its copies still open
  int origin_closed;
};
static struct Node* nodes[kMaxFds];
static int tracked;  // how many descriptors are ours; 0 lets every call through at once
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static struct Node* NodeOf(int fd) {
  if (fd < 0 || fd >= kMaxFds || !__atomic_load_n(&tracked, __ATOMIC_ACQUIRE)) return NULL;
  pthread_mutex_lock(&lock);
  struct Node* n = nodes[fd];
  pthread_mutex_unlock(&lock);
  return n;
}

static void Track(int fd, struct Node* n) {
  pthread_mutex_lock(&lock);
  nodes[fd] = n;
  n->users++;
  __atomic_add_fetch(&tracked, 1, __ATOMIC_RELEASE);
  pthread_mutex_unlock(&lock);
}

static int OpenNode(const char* real_name, const char* path, int flags, mode_t mode) {
  int (*real_open)(const char*, int, ...) = dlsym(RTLD_NEXT, real_name);
  int fd = real_open(path, flags, mode);
  const char* root = getenv("UMOCKDEV_DIR");
  if (fd < 0 || fd >= kMaxFds || !root || strncmp(path, "/dev/video", 10) != 0) return fd;
  char fifo_path[4096];
  snprintf(fifo_path, sizeof fifo_path, "%s/frames/%s", root, path + 5);
  int fifo = real_open(fifo_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fifo < 0) return fd;  // a node without frames (a metadata node)
  struct Node* n = calloc(1, sizeof *n);
  n->origin = fd;
  n->fifo = fifo;
  Track(fd, n);
  return fd;
}

#define OPEN_WRAPPER(name)                                   \
  int name(const char* path, int flags, ...) {               \
    mode_t mode = 0;                                         \
    if (flags & (O_CREAT | __O_TMPFILE)) {                   \
      va_list ap;                                            \
      va_start(ap, flags);                                   \
      mode = va_arg(ap, mode_t);                             \
      va_end(ap);                                            \
    }                                                        \
    return OpenNode(#name, path, flags, mode);               \
  }
OPEN_WRAPPER(open)
OPEN_WRAPPER(open64)

int dup(int fd) {
  int copy = REAL(dup)(fd);
  struct Node* n = NodeOf(fd);
  if (n && copy >= 0 && copy < kMaxFds) Track(copy, n);
  return copy;
}

int close(int fd) {
  struct Node* n = NodeOf(fd);
  if (!n) return REAL(close)(fd);
  pthread_mutex_lock(&lock);
  int last = --n->users == 0;
  int keep_origin = fd == n->origin && !last;  // copies still need umockdev's descriptor
  if (fd == n->origin) n->origin_closed = 1;
  if (!keep_origin) nodes[fd] = NULL;
  __atomic_sub_fetch(&tracked, keep_origin ? 0 : 1, __ATOMIC_RELEASE);
  pthread_mutex_unlock(&lock);
  if (keep_origin) return 0;
  int result = REAL(close)(fd);
  if (last) {
    if (fd != n->origin) {
      pthread_mutex_lock(&lock);
      nodes[n->origin] = NULL;
      __atomic_sub_fetch(&tracked, 1, __ATOMIC_RELEASE);
      pthread_mutex_unlock(&lock);
      REAL(close)(n->origin);
    }
    REAL(close)(n->fifo);
    free(n);
  }
  return result;
}

int ioctl(int fd, unsigned long request, ...) {
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  struct Node* n = NodeOf(fd);
  int result = REAL(ioctl)(n ? n->origin : fd, request, arg);
  if (n && result == 0 && request == VIDIOC_DQBUF) {
    char frame_mark;
    if (read(n->fifo, &frame_mark, 1) < 0) { /* a vanished camera's wake-up is not a frame */ }
  }
  return result;
}

// Swaps each emulated node for its FIFO, waits, and reports back on the node.
static int PollSwapped(struct pollfd* fds, nfds_t count, int (*wait)(struct pollfd*, nfds_t, void*),
                       void* how) {
  if (!__atomic_load_n(&tracked, __ATOMIC_ACQUIRE) || count > kMaxPolled) return wait(fds, count, how);
  struct pollfd swapped[kMaxPolled];
  int ours[kMaxPolled];
  int any = 0;
  for (nfds_t i = 0; i < count; ++i) {
    swapped[i] = fds[i];
    struct Node* n = NodeOf(fds[i].fd);
    ours[i] = n != NULL;
    if (n) {
      any = 1;
      swapped[i].fd = fds[i].events & (POLLIN | POLLRDNORM) ? n->fifo : -1;
      swapped[i].events = POLLIN;
    }
  }
  if (!any) return wait(fds, count, how);
  int result = wait(swapped, count, how);
  for (nfds_t i = 0; i < count && result >= 0; ++i) {
    short got = swapped[i].revents;
    if (ours[i]) {
      got = (got & POLLIN ? fds[i].events & (POLLIN | POLLRDNORM) : 0) |
            (got & (POLLERR | POLLHUP | POLLNVAL) ? POLLERR : 0);
    }
    fds[i].revents = got;
  }
  return result;
}

static int WaitPoll(struct pollfd* fds, nfds_t count, void* how) {
  return REAL(poll)(fds, count, *(int*)how);
}
struct PpollArgs {
  const struct timespec* timeout;
  const sigset_t* mask;
};
static int WaitPpoll(struct pollfd* fds, nfds_t count, void* how) {
  struct PpollArgs* a = how;
  return REAL(ppoll)(fds, count, a->timeout, a->mask);
}

int poll(struct pollfd* fds, nfds_t count, int timeout) { return PollSwapped(fds, count, WaitPoll, &timeout); }
int ppoll(struct pollfd* fds, nfds_t count, const struct timespec* timeout, const sigset_t* mask) {
  struct PpollArgs a = {timeout, mask};
  return PollSwapped(fds, count, WaitPpoll, &a);
}
