#include "encoder/hardware_encoder.h"

#include "encoder/errors.h"

extern "C" {
#include <libavutil/hwcontext.h>
}

#include <array>
#include <cstring>

namespace vencor {

namespace {

struct Device {
  HardwareChoice choice;
  AVHWDeviceType type;
  AVPixelFormat surfaces;  // the encoder's pixel format: frames on the device
  const char* suffix;      // of the encoders' names: h264_vaapi
  const char* name;        // for the notes
};

constexpr std::array<Device, 3> kDevices = {{
    {HardwareChoice::kVaapi, AV_HWDEVICE_TYPE_VAAPI, AV_PIX_FMT_VAAPI, "vaapi", "VAAPI"},
    {HardwareChoice::kNvenc, AV_HWDEVICE_TYPE_CUDA, AV_PIX_FMT_CUDA, "nvenc", "NVENC (CUDA)"},
    {HardwareChoice::kQsv, AV_HWDEVICE_TYPE_QSV, AV_PIX_FMT_QSV, "qsv", "QSV"},
}};

constexpr int kTrialFrames = 2;
constexpr int kSurfacePool = 20;  // QSV and some VAAPI drivers want a fixed pool

// The hardware encoder's name for the codec on the device; empty where there is none.
std::string EncoderName(AVCodecID codec, const Device& device) {
  const bool known = codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_HEVC || codec == AV_CODEC_ID_AV1 ||
                     (codec == AV_CODEC_ID_VP9 && device.choice != HardwareChoice::kNvenc);
  return known ? std::string(avcodec_get_name(codec)) + "_" + device.suffix : std::string();
}

// A black 8-bit 4:2:0 picture, what the trial encode codes.
FramePtr BlackPicture(int width, int height) {
  FramePtr picture = MakeFrame();
  picture->width = width;
  picture->height = height;
  picture->format = AV_PIX_FMT_YUV420P;
  if (av_frame_get_buffer(picture.get(), 0) < 0) throw std::bad_alloc();
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? height : (height + 1) / 2;
    std::memset(picture->data[plane], plane == 0 ? 16 : 128, static_cast<size_t>(picture->linesize[plane]) * rows);
  }
  return picture;
}

// Opens the device, its frames and the encoder, and codes kTrialFrames
// pictures; empty when that worked (with `frames` set), else why not.
std::string TryEncoder(const AVCodec& codec, const Device& device, int width, int height, AVRational frameRate,
                       BufferRefPtr& frames) {
  AVBufferRef* opened = nullptr;
  int result = av_hwdevice_ctx_create(&opened, device.type, nullptr, nullptr, 0);
  if (result < 0) return std::string("no ") + device.name + " device opened (" + AvErrorText(result) + ")";
  const BufferRefPtr context(opened);
  BufferRefPtr pool(av_hwframe_ctx_alloc(context.get()));
  if (!pool) throw std::bad_alloc();
  auto* surfaces = reinterpret_cast<AVHWFramesContext*>(pool->data);
  surfaces->format = device.surfaces;
  surfaces->sw_format = AV_PIX_FMT_NV12;
  surfaces->width = width;
  surfaces->height = height;
  surfaces->initial_pool_size = kSurfacePool;
  result = av_hwframe_ctx_init(pool.get());
  if (result < 0) return "its NV12 surfaces could not be set up (" + AvErrorText(result) + ")";

  const CodecContextPtr encoder(avcodec_alloc_context3(&codec));
  if (!encoder) throw std::bad_alloc();
  encoder->width = width;
  encoder->height = height;
  encoder->pix_fmt = device.surfaces;
  encoder->framerate = frameRate.num > 0 ? frameRate : AVRational{25, 1};
  encoder->time_base = av_inv_q(encoder->framerate);
  encoder->sample_aspect_ratio = AVRational{1, 1};
  encoder->hw_frames_ctx = av_buffer_ref(pool.get());
  if (!encoder->hw_frames_ctx) throw std::bad_alloc();
  result = avcodec_open2(encoder.get(), &codec, nullptr);
  if (result < 0) return "the encoder did not open (" + AvErrorText(result) + ")";

  const FramePtr black = BlackPicture(width, height);
  SwsPtr converter;
  FramePtr staging;
  int packets = 0;
  const PacketPtr packet = MakePacket();
  for (int i = 0; i <= kTrialFrames; ++i) {
    FramePtr frame;
    if (i < kTrialFrames) {
      black->pts = i;
      try {
        frame = UploadFrame(*pool, *black, converter, staging);
      } catch (const TranscodeError& error) {
        return error.what();
      }
    }
    result = avcodec_send_frame(encoder.get(), frame.get());  // the last round flushes
    if (result < 0) return "it refused a frame (" + AvErrorText(result) + ")";
    while ((result = avcodec_receive_packet(encoder.get(), packet.get())) >= 0) {
      ++packets;
      av_packet_unref(packet.get());
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) return "it failed coding (" + AvErrorText(result) + ")";
  }
  if (packets == 0) return "it coded no picture";
  frames = std::move(pool);
  return {};
}

}  // namespace

std::optional<HardwareEncoder> OpenHardwareEncoder(HardwareChoice choice, AVCodecID codec, int width, int height,
                                                   AVRational frameRate, std::string& failure) {
  failure.clear();
  if (choice == HardwareChoice::kOff) return {};
  for (const Device& device : kDevices) {
    if (choice != HardwareChoice::kAuto && choice != device.choice) continue;
    const std::string name = EncoderName(codec, device);
    if (name.empty()) continue;
    std::string why;
    const AVCodec* encoder = avcodec_find_encoder_by_name(name.c_str());
    BufferRefPtr frames;
    if (!encoder) why = "not in this FFmpeg";
    else why = TryEncoder(*encoder, device, width, height, frameRate, frames);
    if (why.empty()) return HardwareEncoder{encoder, std::move(frames)};
    if (!failure.empty()) failure += "; ";
    failure.append(name).append(": ").append(why);
  }
  if (failure.empty()) failure = std::string("no hardware encoder codes ") + avcodec_get_name(codec) + " video";
  return {};
}

FramePtr UploadFrame(AVBufferRef& frames, const AVFrame& picture, SwsPtr& converter, FramePtr& staging) {
  // The surfaces hold NV12 (the one layout all three devices take), the
  // painted picture is planar 4:2:0: it is interleaved in memory, then copied
  // to a surface of the device.
  if (!staging) {
    staging = MakeFrame();
    staging->width = picture.width;
    staging->height = picture.height;
    staging->format = AV_PIX_FMT_NV12;
    if (av_frame_get_buffer(staging.get(), 0) < 0) throw std::bad_alloc();
  }
  converter.reset(sws_getCachedContext(converter.release(), picture.width, picture.height,
                                       static_cast<AVPixelFormat>(picture.format), staging->width, staging->height,
                                       AV_PIX_FMT_NV12, SWS_POINT, nullptr, nullptr, nullptr));
  if (!converter) Fail(VENCOR_ERROR_INTERNAL, "no conversion to NV12 for the hardware encoder");
  CheckAv(av_frame_make_writable(staging.get()), VENCOR_ERROR_INTERNAL, "hardware upload");
  sws_scale(converter.get(), picture.data, picture.linesize, 0, picture.height, staging->data, staging->linesize);
  FramePtr surface = MakeFrame();
  CheckAv(av_hwframe_get_buffer(&frames, surface.get(), 0), VENCOR_ERROR_ENCODER, "hardware surface");
  CheckAv(av_hwframe_transfer_data(surface.get(), staging.get(), 0), VENCOR_ERROR_ENCODER, "hardware upload");
  CheckAv(av_frame_copy_props(surface.get(), &picture), VENCOR_ERROR_INTERNAL, "hardware upload");
  return surface;
}

}  // namespace vencor
