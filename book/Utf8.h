#pragma once

#include <QByteArrayView>

// Whether the bytes are UTF-8 as the standard allows it: no overlong forms, surrogates or
// code points past U+10FFFF, and no sequence cut off at the end.
bool isUtf8(QByteArrayView bytes);
