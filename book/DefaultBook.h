#pragma once

#include <QString>

// The phrase book the program itself uses, which the tool works on without --book.
QString defaultBook();
