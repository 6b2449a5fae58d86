#pragma once

#include <QByteArray>

// Makes a file vanish at the moment the program reads its size, as when another program
// deletes it between the listing of its folder and the sizing: the next size query that
// follows links for this name (relative to its folder) deletes the file first. One name at a
// time; an empty name disarms.
void vanishWhenSized(const QByteArray& fileName);
