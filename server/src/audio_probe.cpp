#include "audio_probe.h"

namespace songbox_server {

namespace {
// Far beyond what opening any real file takes, even on a busy machine.
constexpr std::chrono::seconds kProbeBound{30};
}  // namespace

bool AudioProbe::Decodable(const std::string& file) {
  if (file.find('\0') != std::string::npos) return false;
  if (!child_) child_ = CodecProcess::Start("probe");
  if (!child_) return false;
  std::string question = file;
  question += '\0';
  std::optional<std::string> answer;
  if (child_->Send(question)) answer = child_->ReceiveLine(kProbeBound);
  if (!answer) child_.reset();
  return answer == "1";
}

}  // namespace songbox_server
