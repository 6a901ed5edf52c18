#include "logging/log_interface.h"

#include "common/platform/folders.h"
#include "shared/text/utf.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <map>
#include <mutex>

namespace {

constexpr size_t kLogFileBytes = size_t{5} * 1024 * 1024;
constexpr size_t kKeptLogFiles = 3;

// The instance name as a file name: characters that cannot stand in one
// become "_", so no name leads the log outside its folder.
std::string LogFileName(const std::u16string& name) {
  std::string fileName = vidmora::ToUtf8(name);
  for (char& c : fileName) {
    if (std::string_view("\\/:?<>|*\"").find(c) != std::string_view::npos || c < ' ') c = '_';
  }
  if (fileName.empty() || fileName == "." || fileName == "..") fileName = "log";
  return fileName + ".log";
}

std::shared_ptr<spdlog::logger> MakeLogger(const std::u16string& name) {
  const std::string loggerName = vidmora::ToUtf8(name);
  const std::filesystem::path dataFolder = quorvil::AppDataFolder(name);
  if (!dataFolder.empty()) {
    try {
      auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
          (dataFolder / "log" / LogFileName(name)).string(), kLogFileBytes, kKeptLogFiles);
      auto logger = std::make_shared<spdlog::logger>(loggerName, std::move(sink));
      logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] %v");
      return logger;
    } catch (const std::exception&) {
      // Falls through to standard error.
    }
  }
  auto logger = std::make_shared<spdlog::logger>(loggerName, std::make_shared<spdlog::sinks::stderr_sink_mt>());
  logger->set_pattern("[%Y-%m-%d %H:%M:%S.%e] [%n] %v");
  return logger;
}

}  // namespace

struct CLogInterface::Sink {
  std::shared_ptr<spdlog::logger> logger;
};

CLogInterface::CLogInterface(const std::u16string& name) : sink_(std::make_unique<Sink>()) {
  sink_->logger = MakeLogger(name);
  // Each line reaches the file at once: the log is read after crashes.
  sink_->logger->flush_on(spdlog::level::trace);
}

CLogInterface::~CLogInterface() = default;

CLogInterface* CLogInterface::GetInstance(const std::u16string& name) {
  static std::mutex mutex;
  // Never destroyed: threads may log while the process exits.
  static auto* instances = new std::map<std::u16string, CLogInterface*>;
  std::lock_guard lock(mutex);
  CLogInterface*& instance = (*instances)[name];
  if (!instance) instance = new CLogInterface(name);
  return instance;
}

void CLogInterface::DoLogMessage(const std::u16string& text) {
  try {
    sink_->logger->info(vidmora::ToUtf8(text));
  } catch (...) {
    // Out of memory while formatting: the line is lost, the program goes on.
  }
}
