#pragma once

// Owners of FFmpeg objects. Every context, frame, packet, graph and buffer the
// encoder makes is held by one of these, so each leaves with its scope on
// success, failure or abort alike.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <new>

namespace vencor {

struct InputFormatDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// The output context does not own its I/O context (OutputFile does).
struct OutputFormatDeleter {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
struct SwsDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct BufferPoolDeleter {
  void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
};
struct BufferRefDeleter {
  void operator()(AVBufferRef* buffer) const { av_buffer_unref(&buffer); }
};
struct AvFreeDeleter {
  void operator()(void* memory) const { av_free(memory); }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using BufferPoolPtr = std::unique_ptr<AVBufferPool, BufferPoolDeleter>;
using BufferRefPtr = std::unique_ptr<AVBufferRef, BufferRefDeleter>;
using AvBytesPtr = std::unique_ptr<uint8_t, AvFreeDeleter>;

inline FramePtr MakeFrame() {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}

inline PacketPtr MakePacket() {
  PacketPtr packet(av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

// Unreferences a frame or packet when the scope ends, keeping the object for reuse.
class FrameUnref {
 public:
  explicit FrameUnref(AVFrame* frame) : frame_(frame) {}
  ~FrameUnref() { av_frame_unref(frame_); }
  FrameUnref(const FrameUnref&) = delete;
  FrameUnref& operator=(const FrameUnref&) = delete;

 private:
  AVFrame* frame_;
};

class PacketUnref {
 public:
  explicit PacketUnref(AVPacket* packet) : packet_(packet) {}
  ~PacketUnref() { av_packet_unref(packet_); }
  PacketUnref(const PacketUnref&) = delete;
  PacketUnref& operator=(const PacketUnref&) = delete;

 private:
  AVPacket* packet_;
};

}  // namespace vencor
