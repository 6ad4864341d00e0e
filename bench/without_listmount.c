// Runs a program as a kernel before 6.8 would: listmount and statmount fail
// with ENOSYS, so the program reads its mount table whole, as it must there.
// For bench/mount_churn --without-listmount.
//
//   without_listmount PROGRAM [ARGUMENT...]
#include <errno.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <unistd.h>

enum { STATMOUNT = 457, LISTMOUNT = 458 };

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs("usage: without_listmount PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    struct sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, STATMOUNT, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, LISTMOUNT, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
    };
    struct sock_fprog program = {sizeof filter / sizeof filter[0], filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        perror("without_listmount: seccomp");
        return 1;
    }
    execv(argv[1], argv + 1);
    perror("without_listmount: exec");
    return 1;
}
