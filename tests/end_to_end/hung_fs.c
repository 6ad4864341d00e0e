/* A file system that stops answering, as a disk or a network server does:
 * while the file GATE exists, statfs on it never returns; once GATE is
 * gone, it answers at once, a gibibyte with a quarter free. It holds an
 * empty folder and nothing else.
 *
 *   hung_fs MOUNT_POINT GATE
 *
 * It mounts itself at MOUNT_POINT (as root, in the caller's mount
 * namespace) and serves until it is ended. */
#define FUSE_USE_VERSION 31

#include <errno.h>
#include <fuse.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static const char* gate;

static int get_attributes(const char* path, struct stat* attributes, struct fuse_file_info* file) {
    (void)file;
    if (strcmp(path, "/") != 0) return -ENOENT;
    memset(attributes, 0, sizeof *attributes);
    attributes->st_mode = S_IFDIR | 0755;
    attributes->st_nlink = 2;
    return 0;
}

static int measure(const char* path, struct statvfs* answer) {
    (void)path;
    const struct timespec pause = {0, 20 * 1000 * 1000};
    while (access(gate, F_OK) == 0) nanosleep(&pause, NULL);
    memset(answer, 0, sizeof *answer);
    answer->f_bsize = 4096;
    answer->f_frsize = 4096;
    answer->f_blocks = 262144;
    answer->f_bfree = 65536;
    answer->f_bavail = 65536;
    answer->f_namemax = 255;
    return 0;
}

static const struct fuse_operations operations = {
    .getattr = get_attributes,
    .statfs = measure,
};

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: hung_fs MOUNT_POINT GATE\n");
        return 2;
    }
    gate = argv[2];
    /* In the foreground, one request at a time: a statfs that hangs holds
     * every later request, as a dead device does. */
    char* arguments[] = {argv[0], "-f", "-s", "-o", "fsname=velorwind-hung", argv[1], NULL};
    return fuse_main(6, arguments, &operations, NULL);
}
