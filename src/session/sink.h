// The one way bytes reach the session's log file.
//
// Everything a call writes is a unit: a record, a "[SYSLOG]" line, a
// banner, a dump or a table. A unit is handed on whole; a hook (rotation)
// sees each unit before it is written, so it can move the session to a new
// file between units, never inside one.
//
// Group commit: inside an exported call the units collect in a batch (at
// most 64 KB; a larger unit is written alone). When the call ends, its
// caller writes the batch with one write, outside the session lock, or, when
// another caller is writing, waits until its batch has been written. So
// under contention one write carries the units of many callers, and still
// no call returns before what it wrote has been handed to the system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace corvelin {

// Failures: a write to the session's file that fails is cut back off the
// file, so the file never ends in a torn unit, and every unit it loses is
// counted. The count is said once, in one "[SYSLOG]" line, by the first unit
// that can be written again; logTerm says it (to the forwarders at least)
// when none could be.
//
// Hands `size` bytes to the file. A write the system takes only in part
// (a full disk, an interrupted device) is continued with the rest while it
// makes progress. Returns whether every byte was written. Nothing happens
// without a usable handle.
bool writeAll(platform::FileHandle file, const char* data, std::size_t size);

// Writes a whole unit. When `file` is the session's file the unit hook sees
// it first and may switch the session's file (the unit then goes to the new
// one). `unitSize` is the size of the whole unit when `data` is only its
// first piece (see writePiece); 0 means `size`. `more`: pieces follow.
bool writeUnit(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize = 0,
               bool more = false);
// The same for a whole unit whose caller makes the write itself, so that it
// is made from the exported function's own frame: every frame still open
// while the kernel writes costs a mispredicted return afterwards. Returns
// the file to write `size` bytes to now, then to call unitWriteDone with
// what the system took; or kNoHandle when the unit went the long way
// (written, or counted lost, already).
platform::FileHandle beginUnitWrite(platform::FileHandle file, const char* data, std::size_t size);
void unitWriteDone(platform::FileHandle file, const char* data, std::size_t size, std::uint32_t written);
// A later piece of the unit begun by writeUnit: never a switch before it.
bool writePiece(platform::FileHandle file, const char* data, std::size_t size);

// A line of the library's own (rotation's) straight to the session's file,
// after everything handed on before it: not watched by the unit hook, and
// lost like any unit when it cannot be written. Returns whether it was.
bool writeOwnLine(const char* data, std::size_t size);
// Grows with every failed write to the session's file (rotation then reads
// the file's true size).
std::uint64_t writeFailures();
// logTerm: the count of lost units is said now, to the forwarders even when
// the file cannot take it.
void sayLostUnits();

// An exported call: takes the session lock; endCall writes (or waits for)
// the call's batch and releases the lock.
void beginCall();
void endCall();
// Under the lock: everything handed on so far is written now, before the
// session's file is closed or changed.
void flushSessionFile();
// For a crash report, whoever holds the lock (the crashing thread itself, or
// a thread that may never let go): waits at most `millis` for a batch
// another thread is writing, then writes what is still pending, without
// the lock or the unit hook.
void flushForCrash(std::uint32_t millis);
// Nothing pending, as in a freshly loaded library (for tests).
void resetBatches();

// Called under the session lock before every write to the session's file:
// `bytes` are about to be written; at a unit's start (`unitStart`) `unitSize`
// is the size of the whole unit, of which these bytes may be the first piece.
// Null while nothing watches the file's size.
using UnitHook = void (*)(std::size_t unitSize, std::size_t bytes, bool unitStart);
extern UnitHook unitHook;

}  // namespace corvelin
