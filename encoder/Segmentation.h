#pragma once

#include "encoder/clsQRCode.h"

#include <cstdint>
#include <memory>
#include <vector>

// The exact shortest segmentation of one payload for one character-count class (versions
// 1–9, 10–26 or 27–40 share a stream length): the dynamic programme filled once, from which
// the length is read and the stream is written. Filling it once serves both the version
// choice and the writing of the stream.
class Segmentation {
  public:
    struct Cell {
        std::int32_t PreviousMode;
        std::int32_t Cost; // least stream bits for bytes 0 … i ending in this mode, no terminator
        std::int32_t RunLength;
    };

    // `eci` as EncodeOptions::eci: a designator written ahead of the segments, 0 for none.
    Segmentation(const std::uint8_t* data, int count, int version, bool allowKanji, int eci = 0);

    int countClass() const { return k_; }
    // Stream length in bits, ECI header and terminator included.
    int streamLength() const;
    // Writes the ECI header, the segments and the terminator; returns the number of bits written.
    int write(std::uint8_t* bits, std::vector<QRSegment>* segments) const;

    // No stream for these bytes is shorter than this (headers left out): each byte costs at
    // least the rate of the cheapest mode its class allows.
    static long long lowerBoundBits(const std::uint8_t* data, int count, bool allowKanji);

  private:
    std::vector<std::uint8_t> modesByTraceBack() const;

    const std::uint8_t* data_;
    int count_;
    int k_;
    int eci_;
    int eciBits_;
    int lastMode_ = 0; // the cheapest mode of the last position, where the trace-back starts
    int length_ = 4;   // without the ECI header
    // The PreviousMode of the four cells of each position, two bits each; costs and run
    // lengths are only needed one or two positions on, so they never leave the filling loop.
    std::unique_ptr<std::uint8_t[]> predecessors_;
};
