#pragma once

#include <QByteArray>

// Hand-assembled JPEG files of the shapes that attack a decoder past its header check, for the
// tests, the benchmarks and the fuzzers' seed corpus.
namespace HostileJpeg {

// A progressive grayscale file of `scans` copies of one AC scan that codes every block as
// empty (end-of-band runs), with no DC scan: each scan costs the decoder a pass over every
// block while the file stays small.
QByteArray manyEmptyScans(int width, int height, int scans);

// A progressive colour (4:2:0) header whose first scan has no data: the decoder must hold the
// coefficients of the whole picture.
QByteArray progressiveHeaderOnly(int width, int height);

// A baseline colour header whose scan has no data.
QByteArray baselineHeaderOnly(int width, int height);

// `jpeg` with its SOF0 frame turned into a 12-bit extended-sequential one.
QByteArray asTwelveBit(const QByteArray& jpeg);

// A baseline JPEG of a photo-like picture with a restart marker after every MCU row.
QByteArray withRestartMarkers(int width, int height);

// `jpeg` with every restart marker after the first few renumbered out of sequence.
QByteArray corruptRestartMarkers(const QByteArray& jpeg);

} // namespace HostileJpeg
