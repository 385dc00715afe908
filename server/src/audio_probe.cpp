#include "audio_probe.h"

#include <sstream>

namespace songbox_server {

namespace {
// Far beyond what opening any real file takes, even on a busy machine.
constexpr std::chrono::seconds kProbeBound{30};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "<field>=<hex>"; false when it is not that.
bool ParseField(const std::string& item, std::pair<int, std::string>& field) {
  const auto equals = item.find('=');
  if (equals != 1 || item[0] < '0' || item[0] > '3' || (item.size() - 2) % 2 != 0) return false;
  field.first = item[0] - '0';
  field.second.clear();
  for (std::size_t i = 2; i < item.size(); i += 2) {
    int high = HexDigit(item[i]), low = HexDigit(item[i + 1]);
    if (high < 0 || low < 0) return false;
    field.second += static_cast<char>(high * 16 + low);
  }
  return !field.second.empty();
}

}  // namespace

std::optional<ProbedAudio> ParseProbeAnswer(const std::string& line) {
  std::istringstream items(line);
  std::string verdict, item;
  if (!(items >> verdict) || (verdict != "0" && verdict != "1")) return std::nullopt;
  ProbedAudio probed;
  probed.decodable = verdict == "1";
  for (std::pair<int, std::string> field; items >> item;) {
    if (!ParseField(item, field)) return std::nullopt;
    probed.legacy.push_back(field);
  }
  return probed;
}

ProbedAudio AudioProbe::Probe(const std::string& file) {
  if (file.find('\0') != std::string::npos) return {};
  if (!child_) child_ = CodecProcess::Start("probe");
  if (!child_) return {};
  std::string question = file;
  question += '\0';
  std::optional<std::string> line;
  if (child_->Send(question)) line = child_->ReceiveLine(kProbeBound);
  std::optional<ProbedAudio> answer = line ? ParseProbeAnswer(*line) : std::nullopt;
  if (!answer) child_.reset();
  return answer.value_or(ProbedAudio{});
}

}  // namespace songbox_server
