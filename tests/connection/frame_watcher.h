// Reads a sender's side of the line as the receiver would, to see what went
// over it: the headers, and the length and frame end of every data
// subpacket. Used as (part of) a tamper function that leaves the bytes as
// they are.
#pragma once

#include <cstdint>
#include <vector>

#include "connection/zmodem_decoder.h"

namespace orvane::connection::testing {

class FrameWatcher {
  public:
    struct Subpacket {
        size_t length;
        zmodem::FrameEnd end;
    };

    void feed(const std::vector<uint8_t>& bytes) {
        for (uint8_t byte : bytes) {
            // Headers are looked for inside data too: a sender that goes
            // back to a position starts a new ZDATA in the middle of a
            // frame, which the watcher (unlike a receiver) did not ask for.
            if (headers_.feed(byte) == zmodem::HeaderDecoder::Event::kHeader) {
                types.push_back(headers_.header().type);
                in_data_ = headers_.header().type == zmodem::FrameType::kZdata;
                crc32_ = headers_.format() == zmodem::HeaderFormat::kBinary32;
                if (in_data_) data_.start(crc32_);
                continue;
            }
            if (!in_data_) continue;
            zmodem::SubpacketDecoder::Event event;
            data_.feed({&byte, 1}, &event);
            if (event == zmodem::SubpacketDecoder::Event::kMore) continue;
            if (event != zmodem::SubpacketDecoder::Event::kDone) {
                in_data_ = false;
                continue;
            }
            subpackets.push_back({data_.data().size(), data_.end()});
            in_data_ =
                data_.end() != zmodem::FrameEnd::kZcrce && data_.end() != zmodem::FrameEnd::kZcrcw;
            if (in_data_) data_.start(crc32_);
        }
    }

    std::vector<zmodem::FrameType> types;
    std::vector<Subpacket> subpackets;

  private:
    zmodem::HeaderDecoder headers_;
    zmodem::SubpacketDecoder data_;
    bool in_data_ = false;
    bool crc32_ = false;
};

}  // namespace orvane::connection::testing
