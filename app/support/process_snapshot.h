#pragma once

// Taking the snapshot of a crashed process: its memory map and modules from
// /proc/PID/maps, its threads from /proc/PID/task with their registers. Safe
// in a signal handler and in a process forked from a crashed one.

#include "app/support/crash_state.h"

namespace vidmora::crash {

// The registers of a signal context (the `void*` of an SA_SIGINFO handler).
void ContextFromSignal(const void* ucontext, CpuContext& out);
// Read or write for a page fault that the signal context describes.
CrashInfo::Access AccessOfFault(const void* ucontext);

// Fills the mappings and modules of process `pid`; false when its map cannot
// be read.
bool ReadMappings(pid_t pid, Snapshot& snapshot);

// Lists the threads of `crash.processId`. The crashing thread takes the
// registers of the crash; with `stopOthers` every other thread is attached
// with ptrace (and so stopped) and its registers read; without, or when that
// fails, it is listed without registers. `ownMemory` names the process whose
// memory holds the crashing thread's stack (a forked copy or the process itself).
void ReadThreads(const CrashInfo& crash, pid_t ownMemory, bool stopOthers, Snapshot& snapshot);
// Lets the threads that ReadThreads stopped run again.
void ReleaseThreads(const Snapshot& snapshot, const CrashInfo& crash);

}  // namespace vidmora::crash
