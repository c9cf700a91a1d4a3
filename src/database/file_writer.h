// The one way this program replaces a file: the new content goes into a
// temporary file beside the target, is flushed to the device, and is renamed
// over the target, after which the folder is flushed too. At every moment the
// target holds its complete old or its complete new content.
//
// The replaced file keeps what the user set on it: its permission bits (and
// its owner and group where the process may set them). A symbolic link is
// written through: its target gets the new content and the link stays. A file
// the user may not write is refused (EACCES), as truncating it would be; so
// are a folder (EISDIR) and a device or pipe (EINVAL), which a rename would
// replace by a plain file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/file_system.h"

namespace duvra {

// Appended to the target's name to name its temporary file.
inline constexpr std::string_view kTempFileSuffix = ".duvra-new";

// Writes the new content through `file`; returns 0 or an errno.
using ContentWriter = std::function<int(WritableFile& file)>;

// Replaces the file at path (creating it when missing) by what `write`
// produces. A temporary file that an earlier, interrupted write left behind
// is removed first. On failure returns the errno of the failing step, the
// target is untouched (or already complete when only the final folder flush
// failed) and no temporary file is left, as far as the system allows.
int ReplaceFile(FileSystem& fs, const std::string& path, const ContentWriter& write);

// ReplaceFile with a text written whole.
int ReplaceFileWith(FileSystem& fs, const std::string& path, std::string_view data);

// ReplaceFile with every line followed by CR LF, streamed through a bounded
// buffer so that a large list is never copied whole.
int ReplaceFileWithLines(FileSystem& fs, const std::string& path,
                         const std::vector<std::string>& lines);

// Writes a file that must not exist yet, without flushing it: for the many
// files of a new folder that nothing reads until the caller publishes it,
// after one FileSystem::SyncFiles for them all. On failure the file is
// removed and the errno returned.
int WriteNewFile(FileSystem& fs, const std::string& path, std::string_view data);
// The file that a write of path really replaces: path, or the end of the
// chain of symbolic links that starts there (which need not exist yet).
// Returns 0 or an errno (ELOOP for a chain that is too long or circular).
int ResolveWriteTarget(FileSystem& fs, const std::string& path, std::string* target);

// Removes the temporary file that an interrupted write of path left behind,
// if there is one. Nothing else is touched; failures are ignored.
void RemoveLeftoverTemp(FileSystem& fs, const std::string& path);

}  // namespace duvra
