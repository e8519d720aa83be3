// The system calls that differ between the systems calldir builds on, each
// behind one function. Every one has a POSIX road, which a portable build
// (CALLDIR_PORTABLE, as CI's sanitizer build is) takes on Linux too, so the
// roads a Mac or FreeBSD takes are the ones tested here; Linux's own calls
// are used only where they add something (an earlier end of an orphaned
// child, a copy in the kernel, a lighter sync, a page-size hint).
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"

namespace calldir::base::system {

// A pipe whose two ends close on exec; false (errno set) when none is made.
bool closeOnExecPipe(int fds[2]);

// In a child between fork and exec: killed when its parent dies, where the
// system offers it (Linux). Elsewhere an extension ends at its next send or
// read once its service's pipe has closed.
void killWithParent();

// Takes back a SIGPIPE raised while `pipe_signal` (holding SIGPIPE alone)
// was blocked, so that unblocking it kills nothing.
void discardPendingSignal(const sigset_t& pipe_signal);

// The peak resident size of `usage`, in bytes (Linux counts kilobytes, the
// BSDs and macOS bytes).
std::int64_t peakResidentBytes(const rusage& usage);

// Whether an address-space limit (setrlimit RLIMIT_AS) set in a child is
// enforced: Linux and FreeBSD do, macOS takes it and ignores it, and the
// portable build on Linux does without it. Where not, the caller watches the
// child's resident memory (residentBytesOf) instead.
bool limitsAddressSpace();

// The resident memory of the running process `pid`, in bytes; no value
// where the system cannot tell, or the process is gone.
std::optional<std::int64_t> residentBytesOf(pid_t pid);

// The path of the running program, or empty where the system cannot tell.
std::string executablePath();

// Copies what is left of `in` to the end of `out`.
Status copyRest(int in, int out, const std::string& what);

// Makes the data of `fd` durable: what the disk keeps after a power cut
// (F_FULLFSYNC on macOS, where fsync only reaches the drive's cache). Returns
// 0, or -1 with errno set.
int syncData(int fd);

// A hint that the memory at `data` is read through once, in large pages,
// where the system takes one.
void adviseHugePages(void* data, std::size_t size);

}  // namespace calldir::base::system
