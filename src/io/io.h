// Files, settings, dialogs and the clipboard: the framework's small file toolkit.
// Paths are wide strings; failures come back as 0 or null, and only an exhausted
// allocation shows a message ("Out of memory", then the main window is closed).
//
// The current file, the TGA row state, the settings text and the dialog result are
// process-wide and unguarded: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- limits -------------------------------------------------------------------
constexpr std::size_t wholeFileLimit = std::size_t{1} << 30;  // load_file refuses more
constexpr int settingsTextLimit = 1023;                       // bytes, zero not counted
constexpr int settingsTokenLimit = 15;                        // characters of one value
constexpr int settingsPathLimit = 1023;                       // characters
constexpr int dialogPathLimit = 2048;                         // characters with the zero
constexpr int tgaSideLimit = 65535;                           // what the header can say

// ---- whole files --------------------------------------------------------------
// Reads up to `count` bytes (0: the file's size, found by name; a missing or empty
// file then returns 0 without opening it) into `buffer`, which holds `capacity`
// bytes; never more than capacity - 1 are read, and a zero byte always follows the
// data. Returns the bytes read, 0 when the file cannot be opened.
std::size_t read_whole_file(const wchar_t* path, void* buffer, std::size_t count,
                            std::size_t capacity);
// The whole file in a new block of size + 2 bytes (zero after the data); with
// `aligned` a 16-byte-aligned block released with freeAligned, else one released
// with std::free. Null for a missing or empty file, a file over wholeFileLimit, or
// when nothing was read. `size` (optional) receives the bytes read.
void* load_file(const wchar_t* path, int aligned, std::size_t* size = nullptr);
// Writes `count` bytes as the whole file: into a temporary beside it, flushed, then
// renamed over it, so the file is never left half written. Returns count, or 0.
std::size_t write_whole_file(const wchar_t* path, const void* data, std::size_t count);
int file_exists(const wchar_t* path);  // 1 if the path can be queried, else 0
// The path of shell folder `folderId` (CSIDL_...) into `path` (at least 260
// characters); nonzero on success, 0 when it cannot be resolved.
int special_folder_path(int folderId, wchar_t* path);
// A name for a new file in `folder`: `stem`, the local date and time and
// `extension`, e.g. "demo-2026-12-08-204253.png", with "-2", "-3" ... before the
// extension when that name is taken. In a process-wide buffer that the next call
// overwrites; null when no free name fits in dialogPathLimit characters.
const wchar_t* dated_file_path(const wchar_t* folder, const wchar_t* stem,
                               const wchar_t* extension);

// ---- the current-file stream: one file at a time -----------------------------
int stream_open_read(const wchar_t* path);   // closes any current file first; 1 or 0
int stream_open_write(const wchar_t* path);  // creates or truncates; 1 or 0
std::size_t stream_write(const void* data, std::size_t count);  // bytes written
std::size_t stream_read(void* buffer, std::size_t count);       // bytes read
void stream_close();  // closes the current file; none is fine

// ---- 24-bit TGA rows, bottom row first, on the stream --------------------------
// Width and height 1..65535 (a reader refuses 0), else 0 without touching the
// file. 1 or 0.
int tga_begin_write(const wchar_t* path, int width, int height);
// Writes one row of width pixels as blue, green, red (alpha dropped); returns the
// bytes written, 0 when no TGA is open for writing.
std::size_t tga_write_row(const std::uint32_t* row);
void tga_end_write();  // closes the TGA being written
// Opens a TGA and reads its header; 1 with the size in width and height, else 0
// with both untouched: no file, a short header, a width or height of 0, or fewer
// bytes in the file than the rows the header claims.
int tga_begin_read(const wchar_t* path, int* width, int* height);
// The next row as width pixels with alpha 255, valid until the next call; null when
// no TGA is open or the file ends inside the row.
const std::uint32_t* tga_read_row();
void tga_end_read();  // closes the TGA being read

// ---- settings: integers as text beside the program ----------------------------
// Loads the settings file (null: the default path, the program's folder and base
// name with ".ini"); returns the bytes loaded, 0 when there is no file. A path over
// settingsPathLimit characters loads nothing and makes settings_save fail.
int settings_load(const wchar_t* path);
// The next value; the default while no file was loaded (-123456789 gives -1); -1
// past the last value, after two spaces, or for a token over 15 characters (which
// is skipped). Values beyond the int range are clamped.
int settings_read_int(int defaultValue);
void settings_clear();  // empties the text that settings_save writes
// Appends " value" (no space on an empty text); returns the characters of the
// number plus one, or 0 when the text would pass settingsTextLimit (nothing added).
int settings_append_int(int value);
// Writes the text and its zero byte to the settings path (the default path when
// none was loaded), safely as write_whole_file does; the bytes written, or 0.
int settings_save();
// The default settings path: the program's folder as the command line names it
// (the folder of its file when it names none), its base name and ".ini"; the
// user's settings folder instead when the program's folder is not writable.
const wchar_t* settings_default_path();

// ---- dialogs ------------------------------------------------------------------
// The chosen path in the process-wide dialog result (dialogPathLimit characters),
// or null when cancelled. The save dialog appends `extension` (".png") to a path
// whose last component has no dot; a path that would not fit then counts as
// cancelled.
const wchar_t* choose_save_file(const wchar_t* title, const wchar_t* extension,
                                const wchar_t* filter);
// The open dialog, as choose_save_file without the extension.
const wchar_t* choose_open_file(const wchar_t* title, const wchar_t* filter);
// 1 when the last dialog could not be shown at all: the system has no file chooser
// (Linux without zenity). A cancel gives 0.
int file_dialog_missing();

// ---- global memory blocks -----------------------------------------------------
// A fixed, zero-filled block (zero flag: cleared once more); null, after the
// out-of-memory message and a close request, on failure.
void* global_block_alloc(std::size_t size, int zero);
void global_block_free(void* block);  // null is ignored

// ---- clipboard ----------------------------------------------------------------
// `rowStep` (bytes, signed, rounded toward zero to whole pixels) leads from one
// source row to the next; the first row becomes the bottom one of the bitmap. 1 or
// 0; sides below 1 or over pictureSideLimit are refused.
int clipboard_put_image(const void* firstRow, int width, int height, std::intptr_t rowStep);
int clipboard_put_text(const char* text);  // 1, or 0 (an empty text empties it)
// The clipboard's text in a block the caller releases with clipboard_free_text;
// null when there is none.
char* clipboard_get_text();
void clipboard_free_text(char* text);  // null is ignored

// ---- system information -------------------------------------------------------
// What the processor offers, each 1 or 0.
struct CpuInfo {
  int mmx, sse, sse2, amd3dNow;  // the instruction sets
  int processors;                // logical processors, at least 1
};
extern CpuInfo cpuInfo;  // filled by detect_cpu
void detect_cpu();       // fills cpuInfo
// The feature flags from cpuid leaf 1's edx, the highest extended leaf and leaf
// 0x80000001's edx (read only when that leaf exists).
CpuInfo cpu_features(std::uint32_t standardEdx, std::uint32_t maxExtendedLeaf,
                     std::uint32_t extendedEdx);
