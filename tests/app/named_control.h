#pragma once

// The control of a window by its object name, as the window's form names it;
// a missing control fails the test (and gives nullptr).

#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace vidmora::test {

template <typename T>
T* Control(QWidget& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

}  // namespace vidmora::test
