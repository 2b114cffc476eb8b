// Picture files that may lie beside the program in place of the built-in
// pictures ("SplashFile.<stored extension>", "BackgroundLogoFile.tepg").
// Each stored extension belongs to the plain image extension its content
// becomes; converting a stored file writes that plain image.
//
// Stored files here hold the plain image of their row's format as it is:
// conversion copies the bytes after checking that they start like an image
// of that format, so an empty, cut-off or foreign file is refused.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

// One table row: the plain extension (17 bytes, NUL-padded), then the
// stored extension (23 bytes).
struct StoredImageExtension {
    char plain[17];
    char stored[23];
};
static_assert(sizeof(StoredImageExtension) == 40, "a table row is 40 bytes");

// The rows in table order: "oldbmp"/"teg", "bmp"/"tebg", "png"/"tepg".
const StoredImageExtension* StoredImageExtensions();
int StoredExtensionCount();

// The plain extension of a stored extension (letter case ignored); empty
// when it is not one.
CString PlainExtensionFor(LPCSTR storedExtension);

// Writes the plain image held in the stored file to outputPath. FALSE when
// either path is empty, the stored file cannot be read, is empty, larger
// than the largest picture taken (64 MB), or does not hold an image of the
// format its extension names, or the output cannot be written (a partly
// written output is removed).
BOOL ConvertStoredImageFile(LPCSTR storedPath, LPCSTR outputPath);
