#pragma once

// Hardware video encoders (VAAPI, NVENC, QSV): which one a "-hw" choice names
// for the output's codec, and whether it encodes on this machine. That is
// found by opening an encode session and coding a couple of frames, not by
// the driver's presence: a driver can load and still have no encoder for the
// codec, the size or the picture format.

#include "encoder/av_handles.h"
#include "encoder/options.h"

#include <optional>
#include <string>

namespace vencor {

// A hardware encoder that coded its trial frames, and the frames context
// (surfaces of its device, NV12 in memory) it takes its pictures in.
struct HardwareEncoder {
  const AVCodec* codec = nullptr;
  BufferRefPtr frames;
};

// The first hardware encoder of `codec` that `choice` names (auto: VAAPI,
// NVENC, QSV in turn) that codes pictures of `width` x `height` at
// `frameRate`; nothing when choice is off or none works, with `failure` then
// saying for each one tried why not ("h264_vaapi: no VAAPI device opened
// (...)"), or that there is none for the codec.
std::optional<HardwareEncoder> OpenHardwareEncoder(HardwareChoice choice, AVCodecID codec, int width, int height,
                                                   AVRational frameRate, std::string& failure);

// A frame of the hardware frames context `frames` holding `picture`
// (YUV 4:2:0, 8 bits), with its timestamps and properties. `converter` and
// `staging` keep the conversion to NV12 from frame to frame.
FramePtr UploadFrame(AVBufferRef& frames, const AVFrame& picture, SwsPtr& converter, FramePtr& staging);

}  // namespace vencor
