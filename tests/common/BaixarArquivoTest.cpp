#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/TAPI.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

using harness::HttpStandIn;
using harness::StandInReply;
namespace fs = std::filesystem;

namespace {

class BaixarArquivoTest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  HttpStandIn web;
  TAPI api{true};
  fs::path destino = scratch / "Backup.zip";
  std::vector<std::pair<std::int64_t, std::int64_t>> events;

  DownloadProgress Recorder() {
    return [this](std::int64_t recebidos, std::int64_t total) {
      events.emplace_back(recebidos, total);
    };
  }

  static std::string Content(std::size_t size) {
    std::string content(size, '\0');
    for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 251);
    return content;
  }
};

TEST_F(BaixarArquivoTest, StreamsTheFileToDiskReportingProgressUpToTheTotal) {
  const std::string content = Content(3'000'000);
  web.On("GET", "/Brisane/Backup.zip", StandInReply{.Body = content});
  api.URL = web.Url("/Brisane/Backup.zip");

  api.BaixarArquivo(destino, Recorder());

  EXPECT_EQ(api.ResponseCode(), 200);
  EXPECT_EQ(harness::ReadFile(destino), content);
  EXPECT_FALSE(fs::exists(scratch / "Backup.zip.part"));
  ASSERT_GT(events.size(), 1u);
  const auto total = static_cast<std::int64_t>(content.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].second, total);
    if (i > 0) {
      EXPECT_GT(events[i].first, events[i - 1].first);
    }
  }
  EXPECT_EQ(events.back().first, total);
}

TEST_F(BaixarArquivoTest, FollowsRedirectsWhenAsked) {
  web.On("GET", "/Brisane/Backup.zip",
         StandInReply{.Status = 302, .Headers = {{"Location", "/espelho/Backup.zip"}}});
  web.On("GET", "/espelho/Backup.zip", StandInReply{.Body = "PK conteúdo"});
  api.URL = web.Url("/Brisane/Backup.zip");
  api.Options.FollowRedirects = true;

  api.BaixarArquivo(destino, Recorder());

  EXPECT_EQ(harness::ReadFile(destino), "PK conteúdo");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), (std::pair<std::int64_t, std::int64_t>{12, 12}));
}

TEST_F(BaixarArquivoTest, AnEmptyFileStillEndsWithOneProgressEvent) {
  web.On("GET", "/vazio", StandInReply{});
  api.URL = web.Url("/vazio");

  api.BaixarArquivo(destino, Recorder());

  EXPECT_EQ(harness::ReadFile(destino), "");
  EXPECT_EQ(events, (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 0}}));
}

// A failed download throws and leaves what was at the destination untouched, with no partial
// file beside it.
TEST_F(BaixarArquivoTest, FailuresLeaveTheDestinationUntouched) {
  web.On("GET", "/truncado", StandInReply{.Body = Content(400'000), .CloseAfterBytes = 150'000});
  web.On("GET", "/sumiu", StandInReply{.Status = 404, .Body = "pagina de erro"});
  web.On("GET", "/movido", StandInReply{.Status = 302, .Headers = {{"Location", "/x"}}});
  struct Case {
    const char* name;
    std::string path;
    int status;
    const char* messagePart;
  } cases[] = {
      {"truncated body", "/truncado", 200, "Falha na requisição HTTP"},
      {"not found", "/sumiu", 404, "404 Not Found"},
      {"redirect not followed", "/movido", 302, "302 Found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness::WriteFile(destino, "versão anterior");
    api.URL = web.Url(c.path);

    try {
      api.BaixarArquivo(destino, Recorder());
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
    }

    EXPECT_EQ(api.ResponseCode(), c.status);
    EXPECT_EQ(harness::ReadFile(destino), "versão anterior");
    EXPECT_FALSE(fs::exists(scratch / "Backup.zip.part"));
  }
}

TEST_F(BaixarArquivoTest, AnExceptionFromTheProgressCallbackAbortsTheDownload) {
  web.On("GET", "/Brisane/Backup.zip", StandInReply{.Body = Content(1'000'000)});
  api.URL = web.Url("/Brisane/Backup.zip");

  EXPECT_THROW(
      api.BaixarArquivo(
          destino, [](std::int64_t, std::int64_t) { throw std::runtime_error("janela fechada"); }),
      std::runtime_error);
  EXPECT_FALSE(fs::exists(destino));
  EXPECT_FALSE(fs::exists(scratch / "Backup.zip.part"));
}

}  // namespace
