#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kaz {

enum class ReadFileError { None, CannotOpen, TooLarge };

// Reads a whole regular file of at most maxBytes bytes.
ReadFileError readWholeFile(const std::string& path, std::size_t maxBytes, std::string& out);

enum class SaveFileError { None, CannotCreate, WriteFailed };

// Replaces the file at path with bytes: they are written to a new file in the same folder, flushed
// to disk and renamed over the target, so the target holds either its old or its complete new
// contents. On any failure the target is untouched and no temporary file is left. A file that
// existed keeps its permissions.
SaveFileError replaceFile(const std::string& path, std::string_view bytes);

}  // namespace kaz
