#include "common/TAPI.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/AsciiText.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"

using harness::HttpStandIn;
using harness::StandInReply;
using harness::StandInTls;
namespace fs = std::filesystem;

namespace {

constexpr const char* kStamp = "2026-12-10 14:05:09 - ";

class TAPITest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  harness::ManualClock clock{TDateTime::FromParts(2026, 12, 10, 14, 5, 9)};
  HttpStandIn web;
  TAPI api{true, &clock};

  void SetUp() override { api.Dir_Log = "GESTOR\\"; }

  // The lines of the day's log of the client's folder (empty lines are the separators).
  [[nodiscard]] std::vector<std::string> LogLines(const std::string& dir = "GESTOR") const {
    const fs::path file = scratch / "LOGS" / dir / "2026-12-10.txt";
    return fs::exists(file) ? harness::ReadLines(file) : std::vector<std::string>{};
  }

  static std::string Stamped(const std::string& text) { return kStamp + text; }
};

TEST_F(TAPITest, PostOf200ReturnsTheBodyReducedToAsciiAndLogsTheExchange) {
  web.On("POST", "/gestor/_detalhesFood.php", StandInReply{.Body = R"({"nome":"Pão Não"})"});
  api.URL = web.Url("/gestor/_detalhesFood.php?serialHD=0A1B2C3D");
  api.Params.SetText(R"({"email": "a@b.c","ifood": 1})");

  EXPECT_EQ(api.Consumir(30000), R"({"nome":"Pao Nao"})");

  EXPECT_EQ(api.resposeCode, 200);
  ASSERT_EQ(web.RequestCount(), 1u);
  const auto request = web.Requests()[0];
  EXPECT_EQ(request.Method, "POST");
  EXPECT_EQ(request.Query, "serialHD=0A1B2C3D");
  EXPECT_EQ(request.Body, "{\"email\": \"a@b.c\",\"ifood\": 1}\r\n");
  // Consumir adds no content type of its own.
  EXPECT_FALSE(request.HasHeader("Content-Type"));
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            Stamped("URL: " + api.URL + " - Response Code: 200"),
                            Stamped(R"({"nome":"Pão Não"})"),
                            "",
                            "",
                        }));
}

TEST_F(TAPITest, PostAnsweredWithAnotherSuccessCodeLogsWWWAuthenticateAndReturnsEmpty) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<std::string> authLines;
  } cases[] = {
      {"no header", {}, {""}},
      {"two values",
       {{"WWW-Authenticate", R"(Bearer realm="ifood")"}, {"WWW-Authenticate", "Basic"}},
       {Stamped(R"(Bearer realm="ifood")"), "Basic"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(scratch / "LOGS");
    web.On("POST", "/aceito", StandInReply{.Status = 202, .Body = "na fila", .Headers = c.headers});
    api.URL = web.Url("/aceito");

    EXPECT_EQ(api.Consumir(30000), "");

    EXPECT_EQ(api.resposeCode, 202);
    std::vector<std::string> expected = c.authLines;
    expected.push_back(Stamped("URL: " + api.URL + " - Response Code: 202"));
    expected.push_back(Stamped("na fila"));
    expected.insert(expected.end(), {"", ""});
    EXPECT_EQ(LogLines(), expected);
  }
}

TEST_F(TAPITest, EmptyParamsPostAnEmptyBody) {
  web.On("POST", "/gestor/_ultimoBackup.php", StandInReply{.Body = "ok"});
  api.URL = web.Url("/gestor/_ultimoBackup.php?cnpj=123&serialHD=");

  EXPECT_EQ(api.Consumir(30000), "ok");

  const auto request = web.Requests().at(0);
  EXPECT_EQ(request.Body, "");
  EXPECT_EQ(request.Header("Content-Length"), "0");
  EXPECT_EQ(request.Query, "cnpj=123&serialHD=");
}

TEST_F(TAPITest, GetReturnsTheBodyWithoutSendingParams) {
  web.On("GET", "/order/v1.0/events:polling", StandInReply{.Body = "[]\r\n"});
  api.URL = web.Url("/order/v1.0/events:polling");
  api.Method = TMethod::GET;
  api.Params.SetText("sobra de outra chamada");

  EXPECT_EQ(api.Consumir(30000), "[]\r\n");

  EXPECT_EQ(api.resposeCode, 200);
  EXPECT_EQ(web.Requests().at(0).Method, "GET");
  EXPECT_EQ(web.Requests().at(0).Body, "");
}

TEST_F(TAPITest, ErrorStatusFailsTheCallButKeepsTheRawStatus) {
  struct Case {
    const char* name;
    TMethod method;
    const char* httpMethod;
    int status;
    const char* statusLine;
  } cases[] = {
      {"GET 404", TMethod::GET, "GET", 404, "HTTP/1.1 404 Not Found"},
      {"POST 500", TMethod::POST, "POST", 500, "HTTP/1.1 500 Internal Server Error"},
      {"POST 401", TMethod::POST, "POST", 401, "HTTP/1.1 401 Unauthorized"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(scratch / "LOGS");
    web.On(c.httpMethod, "/erro",
           StandInReply{.Status = c.status,
                        .Body = R"({"erro":"detalhe"})",
                        .Headers = {{"WWW-Authenticate", "Bearer"}}});
    api.URL = web.Url("/erro");
    api.Method = c.method;

    EXPECT_EQ(api.Consumir(30000), "");

    EXPECT_EQ(api.resposeCode, -1);
    EXPECT_EQ(api.ResponseCode(), c.status);
    EXPECT_EQ(api.ResponseStatusLine(), c.statusLine);
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{Stamped(std::string(c.statusLine) + " Bearer"), "", ""}));
  }
}

TEST_F(TAPITest, ErrorStatusAsResponseReadsTheBodyAndReportsTheStatus) {
  web.On("GET", "/status", StandInReply{.Status = 404, .Body = R"({"message":"Não achei"})"});
  web.On("POST", "/token", StandInReply{.Status = 400, .Body = "invalid_grant"});
  api.Options.ErrorStatusIsResponse = true;

  api.URL = web.Url("/status");
  api.Method = TMethod::GET;
  EXPECT_EQ(api.Consumir(30000), R"({"message":"Nao achei"})");
  EXPECT_EQ(api.resposeCode, 404);

  api.URL = web.Url("/token");
  api.Method = TMethod::POST;
  EXPECT_EQ(api.Consumir(30000), "");
  EXPECT_EQ(api.resposeCode, 400);
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 4], Stamped("URL: " + api.URL + " - Response Code: 400"));
  EXPECT_EQ(lines[lines.size() - 3], Stamped("invalid_grant"));
}

// Failures of the connection or the transfer: empty result, -1, one error line and the two
// separators, and nothing raised.
TEST_F(TAPITest, TransferFailuresNeverRaiseAndEndTheLogWithTwoEmptyLines) {
  web.On("GET", "/metade", StandInReply{.Body = std::string(100000, 'x'), .CloseAfterBytes = 5000});
  web.On("GET", "/mudo", StandInReply{.NeverAnswer = true});
  web.On("GET", "/loop", StandInReply{.Status = 302, .Headers = {{"Location", "/loop"}}});
  const int closedPort = harness::FreeLoopbackPort();

  struct Case {
    const char* name;
    std::string url;
    bool followRedirects;
    bool consumirBody;  // ConsumirBody takes a short time-out; Consumir always waits 300 s
    const char* errorStart;
  } cases[] = {
      {"connection refused", "http://127.0.0.1:" + std::to_string(closedPort) + "/x", false, false,
       "Falha na requisição HTTP: "},
      {"closed mid-body", web.Url("/metade"), false, false, "Falha na requisição HTTP: "},
      {"never answers", web.Url("/mudo"), false, true, "Tempo esgotado na requisição HTTP: "},
      {"redirect loop", web.Url("/loop"), true, false, "Falha na requisição HTTP: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(scratch / "LOGS");
    api.URL = c.url;
    api.Method = TMethod::GET;
    api.Options.FollowRedirects = c.followRedirects;
    api.resposeCode = 0;

    std::string result = "não mudou";
    EXPECT_NO_THROW(result = c.consumirBody ? api.ConsumirBody("", 1000) : api.Consumir(30000));

    EXPECT_EQ(result, "");
    if (!c.consumirBody) {
      EXPECT_EQ(api.resposeCode, -1);
    }
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(Stamped(c.errorStart))) << lines[0];
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "");
  }
}

TEST_F(TAPITest, ReadTimeOutBoundsSilenceNotTheWholeTransfer) {
  // Eight pieces a quarter of a second apart: longer in all than the one-second time-out, but
  // never silent for that long.
  web.On("GET", "/devagar",
         StandInReply{.Body = "12345678", .TricklePause = std::chrono::milliseconds(250)});
  api.URL = web.Url("/devagar");
  api.Method = TMethod::GET;

  EXPECT_EQ(api.ConsumirBody("", 1000), "12345678");
  EXPECT_EQ(api.ResponseCode(), 200);
}

TEST_F(TAPITest, FollowsABoundedChainOfRedirectsWhenAsked) {
  web.On("GET", "/Brisane/versao", StandInReply{.Status = 302, .Headers = {{"Location", "/v2"}}});
  web.On("GET", "/v2", StandInReply{.Body = "26.12.0.2"});
  api.URL = web.Url("/Brisane/versao");
  api.Method = TMethod::GET;

  // Off by default: the redirect itself is the completed answer.
  EXPECT_EQ(api.Consumir(30000), "");
  EXPECT_EQ(api.resposeCode, 302);

  api.Options.FollowRedirects = true;
  EXPECT_EQ(api.Consumir(30000), "26.12.0.2");
  EXPECT_EQ(api.resposeCode, 200);
}

TEST_F(TAPITest, InvalidUtf8BodyComesBackWithQuestionMarksAndIsLoggedRaw) {
  web.On("GET", "/quebrado",
         StandInReply{.Body = "a\xff"
                              "b\xc3"});
  api.URL = web.Url("/quebrado");
  api.Method = TMethod::GET;

  EXPECT_EQ(api.Consumir(30000), "a?b?");
  EXPECT_EQ(LogLines().at(1), Stamped("a\xff"
                                      "b\xc3"));
}

TEST_F(TAPITest, FiftyMegabyteBodyArrivesWhole) {
  std::string body;
  body.reserve(50u << 20);
  while (body.size() < (50u << 20)) body += "{\"produto\":\"Pão\",\"preco\":10.5}\n";
  web.On("GET", "/grande", StandInReply{.Body = body});
  api.URL = web.Url("/grande");
  api.Method = TMethod::GET;

  const std::string result = api.Consumir(30000);

  EXPECT_EQ(api.resposeCode, 200);
  ASSERT_EQ(result.size(), body.size() - body.size() / 32);  // each "ã" became one "a"
  EXPECT_EQ(result, ReduceToPrintableAscii(body));
}

TEST_F(TAPITest, ReusesOneConnectionAcrossRequests) {
  web.On("GET", "/a", StandInReply{.Body = "1"});
  web.On("POST", "/b", StandInReply{.Body = "2"});
  api.URL = web.Url("/a");
  api.Method = TMethod::GET;
  EXPECT_EQ(api.Consumir(30000), "1");
  api.URL = web.Url("/b");
  api.Method = TMethod::POST;
  EXPECT_EQ(api.Consumir(30000), "2");
  api.URL = web.Url("/a");
  api.Method = TMethod::GET;
  EXPECT_EQ(api.Consumir(30000), "1");

  const auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].RemotePort, requests[0].RemotePort);
  EXPECT_EQ(requests[2].RemotePort, requests[0].RemotePort);
}

TEST_F(TAPITest, SendsTheHeadersTheCallerSets) {
  web.On("POST", "/pedido", StandInReply{.Body = "ok"});
  api.URL = web.Url("/pedido");
  api.SetHeader("Content-Type", "application/json");
  api.SetHeader("Authorization", "Bearer antigo");
  api.SetHeader("authorization", "Bearer novo");  // same name: replaced
  api.SetHeader("cache-control", "no-cache");

  EXPECT_EQ(api.Consumir(30000), "ok");
  api.ClearHeaders();
  EXPECT_EQ(api.Consumir(30000), "ok");

  const auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].Header("Authorization"), "Bearer novo");
  EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
  EXPECT_FALSE(requests[1].HasHeader("Authorization"));
  EXPECT_FALSE(requests[1].HasHeader("Content-Type"));
}

TEST_F(TAPITest, ConsumirBodySendsTheStreamAsJsonAndLeavesResposeCodeAlone) {
  web.On("PUT", "/produto", StandInReply{.Body = "gravado"});
  web.On("POST", "/produto", StandInReply{.Status = 201, .Body = "criado"});
  api.URL = web.Url("/produto");
  api.SetHeader("Content-Type", "text/plain");
  api.resposeCode = 7;

  api.Method = TMethod::PUT;
  EXPECT_EQ(api.ConsumirBody(R"({"id":1})", 30000), "gravado");
  api.Method = TMethod::POST;
  EXPECT_EQ(api.ConsumirBody(R"({"id":2})", 30000), "");

  EXPECT_EQ(api.resposeCode, 7);
  const auto requests = web.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Body, R"({"id":1})");
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
  EXPECT_EQ(requests[1].Method, "POST");
  EXPECT_EQ(LogLines().at(4), "");  // the 201's empty WWW-Authenticate entry
  EXPECT_EQ(LogLines().at(5), Stamped("URL: " + api.URL + " - Response Code: 201"));
}

TEST_F(TAPITest, PutThroughConsumirSendsAnEmptyBodyAndReturnsNothing) {
  web.On("PUT", "/recurso", StandInReply{.Body = "resposta"});
  api.URL = web.Url("/recurso");
  api.Method = TMethod::PUT;
  api.Params.SetText("não vai");

  EXPECT_EQ(api.Consumir(30000), "");
  EXPECT_EQ(api.resposeCode, 200);
  EXPECT_EQ(web.Requests().at(0).Body, "");
}

TEST_F(TAPITest, PostFormEncodesTheFieldsAndLeavesTheAnswerInRetorno) {
  web.On("POST", "/authentication/v1.0/oauth/token",
         StandInReply{.Body = R"({"accessToken":"abc","expiresIn":21600,"nome":"São"})"});
  api.URL = web.Url("/authentication/v1.0/oauth/token");
  api.Params = {"grantType=refresh_token", "clientId=id-1", "clientSecret=x y&z=é",
                "authorizationCode=", "refreshToken=r/t+1"};

  api.PostForm();

  EXPECT_EQ(api.ResponseCode(), 200);
  EXPECT_EQ(api.Retorno, R"({"accessToken":"abc","expiresIn":21600,"nome":"São"})");
  const auto request = web.Requests().at(0);
  EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.Body,
            "grantType=refresh_token&clientId=id-1&clientSecret=x+y%26z%3D%C3%A9"
            "&authorizationCode=&refreshToken=r%2Ft%2B1");
  // The form post is the caller's to log: nothing is written here.
  EXPECT_FALSE(fs::exists(scratch / "LOGS"));
}

TEST_F(TAPITest, PostFormThrowsOnAnErrorStatusWithTheStatusReadable) {
  web.On("POST", "/token", StandInReply{.Status = 401, .Body = R"({"error":"unauthorized"})"});
  api.URL = web.Url("/token");
  api.Params = {"grantType=authorization_code"};

  EXPECT_THROW(
      {
        try {
          api.PostForm();
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "HTTP/1.1 401 Unauthorized");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(api.ResponseCode(), 401);
}

// The stand-in is made by each test in the mode it needs; it outlives the client so that the
// client's open connection is closed first.
class TAPITlsTest : public ::testing::Test {
 protected:
  harness::ScratchDir scratch;
  harness::ManualClock clock{TDateTime::FromParts(2026, 12, 10, 14, 5, 9)};
  std::unique_ptr<HttpStandIn> web;
  TAPI api{true, &clock};

  HttpStandIn& Start(StandInTls tls) {
    web = std::make_unique<HttpStandIn>(tls);
    web->On("GET", "/merchant/status", StandInReply{.Body = "[]"});
    api.URL = web->Url("/merchant/status");
    api.Method = TMethod::GET;
    return *web;
  }

  [[nodiscard]] std::vector<std::string> LogLines() const {
    return harness::ReadLines(scratch / "LOGS" / "2026-12-10.txt");
  }
};

TEST_F(TAPITlsTest, TalksToATrustedTlsServer) {
  api.Options.CAFile = Start(StandInTls::Modern).CaFile();

  EXPECT_EQ(api.Consumir(30000), "[]");
  EXPECT_EQ(api.resposeCode, 200);
}

TEST_F(TAPITlsTest, RefusesAnUntrustedCertificate) {
  Start(StandInTls::Modern);

  EXPECT_EQ(api.Consumir(30000), "");
  EXPECT_EQ(api.resposeCode, -1);
  EXPECT_EQ(web->RequestCount(), 0u);
  EXPECT_TRUE(LogLines().at(0).starts_with(kStamp + std::string("Falha na conexão segura (TLS): ")))
      << LogLines().at(0);
}

TEST_F(TAPITlsTest, RefusesAServerThatOnlySpeaksTls10) {
  api.Options.CAFile = Start(StandInTls::Tls10Only).CaFile();
  ASSERT_TRUE(harness::AcceptsTls10Handshake(web->Port())) << "the stand-in must offer TLS 1.0";

  EXPECT_EQ(api.Consumir(30000), "");
  EXPECT_EQ(api.resposeCode, -1);
  EXPECT_EQ(web->RequestCount(), 0u);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].starts_with(kStamp + std::string("Falha na conexão segura (TLS): ")))
      << lines[0];
}

TEST_F(TAPITlsTest, AClientWithoutTlsRefusesHttps) {
  HttpStandIn& tlsWeb = Start(StandInTls::Modern);
  TAPI plain(false, &clock);
  plain.Method = TMethod::GET;
  plain.URL = api.URL;
  plain.Options.CAFile = tlsWeb.CaFile();

  EXPECT_EQ(plain.Consumir(30000), "");
  EXPECT_EQ(plain.resposeCode, -1);
  EXPECT_EQ(tlsWeb.RequestCount(), 0u);
}

}  // namespace
