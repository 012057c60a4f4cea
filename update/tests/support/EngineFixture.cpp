#include "update/tests/support/EngineFixture.h"

namespace updatetest {

common::LocalTime SundayEvening() {
  common::LocalTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 6;
  t.hour = 17;
  t.minute = 5;
  t.second = 9;
  t.weekday = 0;
  return t;
}

EngineFixture::EngineFixture() {
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

std::vector<std::string> EngineFixture::Expand(const std::vector<std::string>& lines) const {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(ExpandRoots(tree, l));
  return out;
}

}  // namespace updatetest
