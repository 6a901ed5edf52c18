#include "encoder/filter_graph.h"

#include "encoder/errors.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace vencor {

namespace {
struct InOutDeleter {
  void operator()(AVFilterInOut* inOut) const { avfilter_inout_free(&inOut); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;
}  // namespace

FilterGraph MakeFilterGraph(AVMediaType type, const std::string& sourceArguments, const std::string& chain,
                            const char* purpose) {
  const bool video = type == AVMEDIA_TYPE_VIDEO;
  FilterGraph result;
  result.graph.reset(avfilter_graph_alloc());
  if (!result.graph) throw std::bad_alloc();
  AVFilterGraph* graph = result.graph.get();
  const std::string context = std::string("cannot set up the ") + purpose + " filters";
  CheckAv(avfilter_graph_create_filter(&result.source, avfilter_get_by_name(video ? "buffer" : "abuffer"), "in",
                                       sourceArguments.c_str(), nullptr, graph),
          VENCOR_ERROR_INTERNAL, context + " (" + sourceArguments + ")");
  CheckAv(avfilter_graph_create_filter(&result.sink, avfilter_get_by_name(video ? "buffersink" : "abuffersink"), "out",
                                       nullptr, nullptr, graph),
          VENCOR_ERROR_INTERNAL, context);

  if (chain.empty()) {
    CheckAv(avfilter_link(result.source, 0, result.sink, 0), VENCOR_ERROR_INTERNAL, context);
  } else {
    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) throw std::bad_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = result.source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = result.sink;
    AVFilterInOut* open = outputs.release();
    AVFilterInOut* close = inputs.release();
    const int parsed = avfilter_graph_parse_ptr(graph, chain.c_str(), &close, &open, nullptr);
    avfilter_inout_free(&close);
    avfilter_inout_free(&open);
    CheckAv(parsed, VENCOR_ERROR_INTERNAL, context + " (" + chain + ")");
  }
  CheckAv(avfilter_graph_config(graph, nullptr), VENCOR_ERROR_INTERNAL, context + " (" + chain + ")");
  return result;
}

std::string RationalText(AVRational value) { return std::to_string(value.num) + "/" + std::to_string(value.den); }

std::string VideoSourceArguments(int width, int height, int format, AVRational timeBase, AVRational pixelAspect) {
  return "video_size=" + std::to_string(width) + "x" + std::to_string(height) + ":pix_fmt=" + std::to_string(format) +
         ":time_base=" + RationalText(timeBase) + ":pixel_aspect=" + RationalText(pixelAspect);
}

}  // namespace vencor
