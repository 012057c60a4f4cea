#include "update/tests/support/EngineFixture.h"

namespace updatetest {

common::LocalTime SundayEvening() {
  return {.year = 2026, .month = 12, .day = 6, .hour = 17, .minute = 5, .second = 9, .weekday = 0};
}

EngineFixture::EngineFixture() {
  tree.MakeDir("origen");
  tree.MakeDir("copia");
}

RunFixture::RunFixture() {
  tree.MakeDir("origen");
  tree.MakeDir("copia");
}

std::vector<std::string> EngineFixture::Run(const std::string& origen, const std::string& destino) {
  errors.Clear();
  engine = std::make_unique<update::UpdateEngine>(options, errors, fs, view, clock);
  engine->ConfirmEmptySource = confirmEmptySource;
  engine->Update(tree.Path(origen), tree.Path(destino));
  return errors.Lines();
}

std::string ExpandRoots(const testsupport::TempTree& tree, const std::string& written) {
  const std::string text = testsupport::Native(written);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "{o}") == 0) {
      out += tree.Path("origen");
      i += 2;
    } else if (text.compare(i, 3, "{c}") == 0) {
      out += tree.Path("copia");
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Pattern(size_t size, char first) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(first + i % 23);
  return s;
}

std::vector<std::string> TemporaryNames(const std::map<std::string, std::string>& snapshot) {
  std::vector<std::string> found;
  for (const auto& [path, desc] : snapshot) {
    if (common::FileSystem::IsTemporaryName(path.substr(path.rfind('/') + 1))) found.push_back(path);
  }
  return found;
}

std::vector<std::string> EngineFixture::Expand(const std::vector<std::string>& lines) const {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(ExpandRoots(tree, l));
  return out;
}

}  // namespace updatetest
