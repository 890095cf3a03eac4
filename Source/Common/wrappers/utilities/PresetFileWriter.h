// Atomic, durable saving of preset files (.prg, .mprg): the bytes go to a new
// hidden file in the target's folder, are flushed to the disk, and only then is
// the new file renamed over the target and the folder's entry flushed too. A
// reader (a host, the preset scan) sees the old file or the new one, never a
// partial one, and a crash after a reported success cannot lose the preset.
//
// The temporary file's name never contains the target's extension or any part of
// its name: the preset scan lists every entry whose name contains the library's
// extension, so a save in progress must not look like a preset.
// User-interface thread.
#pragma once

#include <cstddef>
#include <string>

namespace PresetFileWriter
{
// Writes `size` bytes of `data` to `path` as above. False on any failure, in
// which case the target is as it was and no temporary file is left behind.
bool Write(const std::string& path, const void* data, size_t size);

// For tests: called with the temporary file's path once it is complete and
// flushed, just before it replaces the target. Null: none. Returns the previous.
using SAVE_OBSERVER = void (*)(const std::string& tempPath);
SAVE_OBSERVER SetSaveObserver(SAVE_OBSERVER observer);
} // namespace PresetFileWriter
