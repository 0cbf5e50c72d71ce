#include "transfer/update_worker.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <thread>

#include "app/cancellable.h"
#include "app/message_keys.h"
#include "cloud/http_post.h"
#include "device/command_packet.h"
#include "device/device_session.h"

namespace orv::transfer {

namespace {

constexpr uint32_t kBlock = device::kBlockSize;

// Counters behind the progress display.
class Progress {
 public:
  Progress(ProgressSink& sink, const std::vector<UpdateFile>& files) : sink_(sink) {
    count_ = static_cast<int>(files.size());
    for (const UpdateFile& f : files) total_ += f.size;
  }
  void Status(Msg key) { sink_.SetMessageText(Tr(KeyOf(key))); }
  void StartFile(int number) {
    started_ = number;
    Refresh();
  }
  void Wrote(uint64_t bytes) {
    written_ += bytes;
    Refresh();
  }
  void ResetWritten() { written_ = 0; }

 private:
  void Refresh() {
    sink_.SetDetailText(ProgressDetail(started_, count_, written_, total_));
    sink_.SetProgress(ProgressPercent(written_, total_));
  }

  ProgressSink& sink_;
  int count_ = 0;
  int started_ = 0;
  uint64_t total_ = 0;
  uint64_t written_ = 0;
};

// Fetches `file` into `path` and returns its bytes in `bytes`; the failure
// otherwise, Msg::None on success.
Msg Fetch(const UpdateFile& file, const std::string& path, std::string& bytes) {
  // No more than the file the information lists can be meant; a service
  // sending more would otherwise fill the disk before the size check below.
  DownloadLimits limits;
  limits.max_bytes = file.size ? file.size : device::kMemoryBytes;
  if (!DownloadToFile(file.file_path, path, limits).complete()) return Msg::UnableGetFile;
  std::error_code ec;
  auto length = std::filesystem::file_size(path, ec);
  if (ec || length != file.size) return Msg::FileError;
  // The blocks must fit below the top of the 32-bit address space.
  uint64_t blocks = (uint64_t{file.size} + kBlock - 1) / kBlock;
  if (uint64_t{file.address} + blocks * kBlock > uint64_t{std::numeric_limits<uint32_t>::max()} + 1)
    return Msg::FileError;
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return Msg::FileError;
  if (bytes.size() != file.size) return Msg::FileError;
  return Msg::None;
}

bool WriteFile(device::Usb& usb, const UpdateFile& file, const std::string& bytes, Progress& progress) {
  for (uint64_t offset = 0; offset < bytes.size(); offset += kBlock) {
    std::array<uint8_t, kBlock> block;
    const auto address = static_cast<uint32_t>(file.address + offset);
    auto chunk = std::min<uint64_t>(kBlock, bytes.size() - offset);
    // A short tail shares its block with whatever the device keeps after the
    // file (often the next file of the list): start from the block as it is
    // so only the file's own bytes change.
    if (chunk < kBlock && !usb.ReadBlock(address, block.data(), kBlock)) return false;
    std::copy_n(reinterpret_cast<const uint8_t*>(bytes.data()) + offset, chunk, block.begin());
    progress.Wrote(chunk);
    if (!usb.WriteBlock(address, block.data())) return false;
  }
  return true;
}

Msg Update(const UpdateJob& job, device::Usb& usb, Progress& progress) {
  progress.Status(Msg::GetUpdateFile);
  if (job.folder.empty()) return Msg::UnableGetFile;
  std::vector<std::string> contents(job.files.size());
  for (std::size_t i = 0; i < job.files.size(); ++i) {
    progress.Status(Msg::GetUpdateFile);
    progress.StartFile(static_cast<int>(i + 1));
    const UpdateFile& file = job.files[i];
    if (Msg failed = Fetch(file, job.folder + LocalName(job.kind, file), contents[i]); failed != Msg::None)
      return failed;
  }
  progress.Status(Msg::WritingUpdate);
  progress.ResetWritten();
  for (std::size_t i = 0; i < job.files.size(); ++i) {
    progress.StartFile(static_cast<int>(i + 1));
    if (!WriteFile(usb, job.files[i], contents[i], progress)) return Msg::UsbError;
  }
  if (job.kind.send_finish) usb.SendFinish();
  return Msg::UpdateComplete;
}

}  // namespace

MessageKey RunUpdateWorker(const UpdateJob& job, device::Usb& usb, ProgressSink& sink) {
  MessageKey result;
  {
    device::EndGuard end(usb);
    sink.WaitReady();
    Progress progress(sink, job.files);
    const Msg ended = Update(job, usb, progress);
    result = KeyOf(ended);
    progress.Status(ended);
    // The closing text stays up a moment for the diver to read; a program
    // that is stopping has nobody to read it.
    if (!ProgramStop().IsCancelled()) std::this_thread::sleep_for(job.ending_pause);
  }
  sink.End();
  return result;
}

}  // namespace orv::transfer
