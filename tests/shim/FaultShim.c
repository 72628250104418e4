/* Preloaded into ledgerly-cli by the fault-injection tests: counts the
 * program's renames, flushes, removals and writes to files, and stops the
 * program at the Nth of one kind, deterministically.
 *
 *   LEDGERLY_FAULT_COUNTS=FILE   at exit, "rename N\nfsync N\nunlink N\nwrite N\n" to FILE
 *   LEDGERLY_FAULT_AT=KIND:N     the Nth call of KIND kills the program (SIGKILL) before it runs
 *   LEDGERLY_FAULT_AT=KIND:N:E   the Nth call of KIND fails with errno E instead
 *
 * Only writes to regular files count: what goes to a terminal or a pipe
 * varies from run to run. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kRename, kFsync, kUnlink, kWrite, kKinds };
static const char* const kNames[kKinds] = {"rename", "fsync", "unlink", "write"};
static long counts[kKinds];
static int faultKind = -1;
static long faultAt = 0;
static int faultErrno = 0;

__attribute__((constructor)) static void ReadSettings(void) {
    const char* at = getenv("LEDGERLY_FAULT_AT");
    if (!at) return;
    for (int k = 0; k < kKinds; ++k) {
        const size_t n = strlen(kNames[k]);
        if (strncmp(at, kNames[k], n) == 0 && at[n] == ':') {
            char* end = NULL;
            faultKind = k;
            faultAt = strtol(at + n + 1, &end, 10);
            if (end && *end == ':') faultErrno = (int)strtol(end + 1, NULL, 10);
        }
    }
}

__attribute__((destructor)) static void WriteCounts(void) {
    const char* path = getenv("LEDGERLY_FAULT_COUNTS");
    if (!path) return;
    FILE* f = fopen(path, "w");
    if (!f) return;
    for (int k = 0; k < kKinds; ++k) fprintf(f, "%s %ld\n", kNames[k], counts[k]);
    fclose(f);
}

/* Counts one call; returns nonzero when it must fail (errno set). */
static int Fault(int kind) {
    if (++counts[kind] != faultAt || kind != faultKind) return 0;
    if (faultErrno == 0) kill(getpid(), SIGKILL);
    errno = faultErrno;
    return 1;
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int rename(const char* from, const char* to) { return Fault(kRename) ? -1 : NEXT(rename)(from, to); }
int renameat(int a, const char* from, int b, const char* to) { return Fault(kRename) ? -1 : NEXT(renameat)(a, from, b, to); }
int renameat2(int a, const char* from, int b, const char* to, unsigned flags) {
    return Fault(kRename) ? -1 : NEXT(renameat2)(a, from, b, to, flags);
}
int fsync(int fd) { return Fault(kFsync) ? -1 : NEXT(fsync)(fd); }
int fdatasync(int fd) { return Fault(kFsync) ? -1 : NEXT(fdatasync)(fd); }
int unlink(const char* path) { return Fault(kUnlink) ? -1 : NEXT(unlink)(path); }
int unlinkat(int dir, const char* path, int flags) { return Fault(kUnlink) ? -1 : NEXT(unlinkat)(dir, path, flags); }
int remove(const char* path) { return Fault(kUnlink) ? -1 : NEXT(remove)(path); }

ssize_t write(int fd, const void* bytes, size_t n) {
    struct stat st;
    if (fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && Fault(kWrite)) return -1;
    return NEXT(write)(fd, bytes, n);
}
