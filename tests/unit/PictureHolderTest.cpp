// SPDX-License-Identifier: MIT
#include <cmath>

#include <gtest/gtest.h>

#include "core/Error.h"
#include "fakes/CallLog.h"
#include "fakes/FakePicture.h"
#include "fakes/FakeScreen.h"
#include "forms/PictureHolder.h"

namespace mirablot {
namespace {

class PictureHolderTest : public ::testing::Test {
 protected:
  fake::CallLog m_log;
  fake::FakeScreen m_screen{m_log, 28800, 16200, 7.5};  // a 200 % screen: 7.5 twips per pixel
  PictureHolder m_img{m_screen, 15, 15};
};

TEST_F(PictureHolderTest, PictureGivesItsNaturalSizeFromTheScreen) {
  m_img.SetPicture(fake::MakePicture(300, 200));
  EXPECT_FLOAT_EQ(m_img.Width(), 2250);
  EXPECT_FLOAT_EQ(m_img.Height(), 1500);
}

TEST_F(PictureHolderTest, EmptyPictureKeepsTheSizeItHad) {
  m_img.SetPicture(Picture());
  EXPECT_FLOAT_EQ(m_img.Width(), 15);
  EXPECT_FLOAT_EQ(m_img.Height(), 15);
  EXPECT_TRUE(m_img.GetPicture().IsEmpty());
}

TEST_F(PictureHolderTest, StretchingFreesTheSizeFromThePicture) {
  m_img.SetStretch(true);
  m_img.SetPicture(fake::MakePicture(300, 200));
  EXPECT_FLOAT_EQ(m_img.Width(), 15);
  m_img.SetWidth(1000);
  m_img.SetHeight(0);
  EXPECT_FLOAT_EQ(m_img.Width(), 1000);
  EXPECT_FLOAT_EQ(m_img.Height(), 0);
  m_img.SetStretch(false);
  EXPECT_FLOAT_EQ(m_img.Width(), 2250);
}

TEST_F(PictureHolderTest, RefusesNegativeAndInvalidSizesKeepingTheOldValue) {
  m_img.SetStretch(true);
  m_img.SetWidth(500);
  m_img.SetHeight(400);
  for (const float bad : {-1.0F, -0.001F, std::nanf("")}) {
    try {
      m_img.SetWidth(bad);
      ADD_FAILURE() << "width " << bad << " accepted";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), static_cast<int>(ErrorNumber::InvalidPropertyValue));
    }
    EXPECT_THROW(m_img.SetHeight(bad), Error);
  }
  EXPECT_FLOAT_EQ(m_img.Width(), 500);
  EXPECT_FLOAT_EQ(m_img.Height(), 400);
}

}  // namespace
}  // namespace mirablot
