#pragma once
// A data function's one column and its rows, for the cases that vary in a
// single value: Rows<bool>("quick", {{"with /q", true}, {"without /q", false}}).

#include <QMessageBox>
#include <QTest>
#include <initializer_list>
#include <utility>

namespace testsupport {

template <class T>
void Rows(const char* column, std::initializer_list<std::pair<const char*, T>> rows) {
  QTest::addColumn<T>(column);
  for (const auto& [name, value] : rows) QTest::newRow(name) << value;
}

// The answers to a Sí/No question, in the column "answer".
inline void YesNoRows() {
  Rows<int>("answer", {{"S\u00ed", QMessageBox::Yes}, {"No", QMessageBox::No}});
}

}  // namespace testsupport
