#pragma once

#include "encoder/clsQRCode.h"

#include <cstdint>
#include <memory>
#include <vector>

// How one family of symbols writes segments: the mode indicators, the character-count widths
// of each mode (0 where the symbol lacks the mode) and the terminator. QR versions share one
// layout per count class; each Micro QR version has its own.
struct SegmentLayout {
    int indicatorBits = 4;
    int indicator[4] = {0b0100, 0b0001, 0b0010, 0b1000};
    int countBits[4] = {8, 10, 9, 8};
    int terminatorBits = 4;

    // The QR layout of `version`'s count class.
    static SegmentLayout ForQRVersion(int version);
    bool has(int mode) const { return countBits[mode] > 0; }
};

// The exact shortest segmentation of one payload for one segment layout (QR versions 1–9,
// 10–26 or 27–40 share a stream length, each Micro QR version has its own): the dynamic
// programme filled once, from which the length is read and the stream is written. Filling it
// once serves both the version choice and the writing of the stream.
class Segmentation {
  public:
    struct Cell {
        std::int32_t PreviousMode;
        std::int32_t Cost; // least stream bits for bytes 0 … i ending in this mode, no terminator
        std::int32_t RunLength;
    };

    // `eci` as EncodeOptions::eci: a designator written ahead of the segments, 0 for none.
    Segmentation(const std::uint8_t* data, int count, int version, bool allowKanji, int eci = 0);
    // Any layout, no ECI. A payload the layout's modes cannot write has no stream: its length
    // is Unreachable or more.
    Segmentation(const std::uint8_t* data, int count, const SegmentLayout& layout, bool allowKanji);

    // Stream length in bits, ECI header and terminator included.
    int streamLength() const;
    // Writes the ECI header, the segments and the terminator; returns the number of bits written.
    int write(std::uint8_t* bits, std::vector<QRSegment>* segments) const;

    // No stream for these bytes is shorter than this (headers left out): each byte costs at
    // least the rate of the cheapest mode its class allows.
    static long long lowerBoundBits(const std::uint8_t* data, int count, bool allowKanji);

  private:
    // The modes of the shortest stream, first to last, as runs of one mode.
    struct Run {
        int mode;
        int bytes;
    };
    std::vector<Run> runsByTraceBack() const;

    const std::uint8_t* data_;
    int count_;
    SegmentLayout layout_;
    int eci_;
    int eciBits_;
    int lastMode_ = 0;       // the cheapest mode of the last position, where the trace-back starts
    bool allDigits_ = false; // one numeric segment of every byte: no search, no trace-back
    int length_;             // without the ECI header
    // The PreviousMode of the four cells of each position, two bits each; costs and run
    // lengths are only needed one or two positions on, so they never leave the filling loop.
    std::unique_ptr<std::uint8_t[]> predecessors_;
};
