#pragma once

#include <QByteArrayView>

// Whether the bytes are UTF-8 as the standard allows it: no overlong forms, surrogates or
// code points past U+10FFFF, and no sequence cut off at the end.
bool isUtf8(QByteArrayView bytes);

// Whether the bytes are UTF-8 but for a sequence cut off at the end, as at the end of a file
// that was cut off mid-character.
bool isCutUtf8(QByteArrayView bytes);
