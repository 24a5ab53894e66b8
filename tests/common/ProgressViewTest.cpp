#include "common/ProgressView.h"

#include <gtest/gtest.h>

#include "harness/Harness.h"

namespace {

TEST(InserirLinhaProgresso, InsertsStampedLinesOnTopAndLetsTheViewBreathe) {
  harness::ManualClock clock{TDateTime::FromParts(2026, 12, 10, 14, 5, 9)};
  harness::ProgressRecorder view;
  InserirLinhaProgresso(&view, "iniciando BKP", &clock);
  clock.Advance(std::chrono::seconds(61));
  InserirLinhaProgresso(&view, "BKP Criado", &clock);
  EXPECT_EQ(view.Lines(), (std::vector<std::string>{"10/12/2026 14:06:10 : BKP Criado",
                                                    "10/12/2026 14:05:09 : iniciando BKP"}));
  EXPECT_EQ(view.ProcessEventsCount(), 2);
  // Nobody watching: nothing happens.
  InserirLinhaProgresso(nullptr, "silêncio", &clock);
}

}  // namespace
