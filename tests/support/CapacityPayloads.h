#pragma once

#include <QByteArray>

// A payload of exactly the byte capacity of a version (1–40) at level Q, so that the smallest
// symbol holding it is that version (lower-case letters go in byte mode).
QByteArray PayloadFillingVersion(int version);
