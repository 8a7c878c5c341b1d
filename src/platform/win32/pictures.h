// Pictures on Windows through GDI+: decoding from bytes, bitmap resources and files,
// resampling and encoding. Serves both backends built for Windows (the real one
// and headless for the tests).
#pragma once

struct Platform;

// Fills the picture entries of `platform`.
void installGdiplusPictures(Platform& platform);
