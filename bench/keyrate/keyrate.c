/* How many key words a simulation takes when they come faster than its
 * frames: starts a simulation (examples/minimal, 60 frames a second) in a
 * runtime directory of its own, writes key words into layer 0's block as
 * the tool does (one plain 32-bit store each, a fixed interval apart) and
 * counts the keys the simulation prints.
 *
 *   noxel_keyrate SIMULATION [KEYS [INTERVAL_MS]]   (default 1000 keys, 5 ms) */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static void add_ms(struct timespec *t, long ms)
{
    t->tv_nsec += ms * 1000000L;
    while (t->tv_nsec >= 1000000000L) {
        t->tv_nsec -= 1000000000L;
        t->tv_sec += 1;
    }
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s SIMULATION [KEYS [INTERVAL_MS]]\n", argv[0]);
        return 2;
    }
    const int keys = argc > 2 ? atoi(argv[2]) : 1000;
    const long interval = argc > 3 ? atol(argv[3]) : 5;
    char dir[] = "/tmp/noxel-keyrate.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    setenv("NOXEL_RUNTIME_DIR", dir, 1);

    int out[2];
    if (pipe(out) != 0)
        return 1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(argv[1], argv[1], (char *)NULL);
        _exit(127);
    }
    close(out[1]);
    FILE *from = fdopen(out[0], "r");
    char line[256];
    if (!fgets(line, sizeof line, from) || !strstr(line, "publishing")) {
        fprintf(stderr, "keyrate: the simulation did not start\n");
        return 1;
    }

    /* Layer 0's block, found as the tool finds it; published at the first
     * frame. */
    char key[sizeof dir + 32];
    snprintf(key, sizeof key, "%s/noXelLCDMap", dir);
    int id = -1;
    for (int i = 0; i < 500 && id < 0; ++i) {
        id = shmget(ftok(key, 'Q'), 0, 0);
        if (id < 0)
            usleep(10000);
    }
    unsigned char *block = id >= 0 ? shmat(id, NULL, 0) : (void *)-1;
    if (block == (void *)-1) {
        fprintf(stderr, "keyrate: no layer block\n");
        return 1;
    }
    while (!__atomic_load_n(block, __ATOMIC_ACQUIRE))
        usleep(1000);

    struct timespec start, next, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    next = start;
    uint32_t *word = (uint32_t *)(block + 76);
    for (int i = 0; i < keys; ++i) {
        __atomic_store_n(word, 0x00010100u | (uint32_t)('a' + i % 26), __ATOMIC_RELEASE);
        add_ms(&next, interval);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL) == EINTR) {
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    usleep(100000); /* a few more frames to take the last word */
    kill(pid, SIGTERM);

    int taken = 0;
    while (fgets(line, sizeof line, from))
        taken += strncmp(line, "key ", 4) == 0;
    waitpid(pid, NULL, 0);
    shmdt(block);
    char cleanup[sizeof dir + 16];
    snprintf(cleanup, sizeof cleanup, "rm -rf '%s'", dir);
    if (system(cleanup) != 0)
        fprintf(stderr, "keyrate: could not remove %s\n", dir);

    const double seconds = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
    printf("%d key words written %ld ms apart over %.2f s; the simulation took %d (%.1f %%, %.1f a second)\n", keys,
           interval, seconds, taken, 100.0 * taken / keys, taken / seconds);
    return 0;
}
