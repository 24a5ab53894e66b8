// The agent's two backup jobs beside the same work scripted the way a technician would, in one
// run on the same machine, against real servers on 127.0.0.1:
//   1. the safety backup (`Backup --backup-now`: two backups by the Firebird server, the archive,
//      the upload) vs two `gbak -b -se` runs, `zip -6` of the main backup and `curl -T`;
//   2. the configured backup job (`Backup --backup-ftp`) vs `pg_dump -Fc`, `zip -6` and `curl -T`,
//      on a PostgreSQL database of about the same size.
// For each: wall time, CPU time of the command and its children, CPU time of the database server,
// peak resident memory, bytes the FTP server received, and the archive's size.
//   backup_bench [--mb N]      N megabytes of database (default 1024); the Firebird database is
//                              made once by scripts/demo-database and kept in build/bench-data/
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/platform/Process.h"
#include "harness/ChildProcess.h"
#include "harness/Firebird.h"
#include "harness/FtpServer.h"
#include "harness/Harness.h"
#include "harness/HttpStandIn.h"
#include "harness/PostgresServer.h"

namespace fs = std::filesystem;
using platform::QuotedForShell;

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Measure {
  std::string name;
  double wall = 0;       // s
  double cpu = 0;        // s, the command and every child it waited for
  double serverCpu = 0;  // s, the database server while the command ran
  double peakMb = 0;     // largest resident set of the command or one of its children
  long long sent = 0;    // bytes the FTP server received
  std::uintmax_t archive = 0;
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "backup_bench: %s\n", why.c_str());
  std::exit(1);
}

// CPU seconds of a process, with its ended and reaped children (a PostgreSQL backend is reaped by
// the postmaster).
double ProcessCpu(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) Fail("sem /proc/" + std::to_string(pid) + "/stat");
  std::istringstream fields(text.substr(close + 2));
  std::vector<std::string> f;
  for (std::string s; fields >> s;) f.push_back(s);
  // After the name: state is field 3, utime 14, stime 15, cutime 16, cstime 17.
  const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
  return (std::stod(f[11]) + std::stod(f[12]) + std::stod(f[13]) + std::stod(f[14])) / ticks;
}

// Runs a shell command line in `dir` under /usr/bin/time and measures it.
Measure Run(const std::string& name, const std::string& commandLine, const fs::path& dir,
            pid_t server, const harness::FtpServer& ftp,
            const std::map<std::string, std::string>& env = {}) {
  const fs::path timeFile = dir / ".time";
  const long long sentBefore = ftp.BytesReceived();
  const double serverBefore = ProcessCpu(server);
  const auto start = SteadyClock::now();
  std::string out;
  const int rc =
      harness::RunCommand({"/usr/bin/time", "-f", "%U %S %M", "-o", timeFile.string(), "/bin/sh",
                           "-c", "cd " + QuotedForShell(dir.string()) + " && " + commandLine},
                          &out, env);
  Measure m;
  m.name = name;
  m.wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
  if (rc != 0) Fail(name + " terminou com " + std::to_string(rc) + ":\n" + out);
  // The backend that served a dump is reaped by its postmaster a moment after the client left.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m.serverCpu = ProcessCpu(server) - serverBefore;
  m.sent = ftp.BytesReceived() - sentBefore;
  double user = 0;
  double system = 0;
  double rssKb = 0;
  std::istringstream t(harness::ReadFile(timeFile));
  if (!(t >> user >> system >> rssKb)) Fail("saída de /usr/bin/time ilegível");
  m.cpu = user + system;
  m.peakMb = rssKb / 1024.0;
  return m;
}

std::uintmax_t Size(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(file, ec);
  if (ec) Fail("arquivo não encontrado: " + file.string());
  return n;
}

void Check(const std::string& commandLine, const std::string& what) {
  std::string out;
  if (harness::RunCommand({"/bin/sh", "-c", commandLine}, &out) != 0) Fail(what + ":\n" + out);
}

// The newest safety archive of the folder (its name carries the hour the run started in).
fs::path NewestArchive(const fs::path& folder) {
  fs::path newest;
  fs::file_time_type when{};
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string n = e.path().filename().string();
    if (n.rfind("Backup_Seguranca_", 0) != 0 || e.path().extension() != ".zip") continue;
    if (newest.empty() || e.last_write_time() > when) {
      newest = e.path();
      when = e.last_write_time();
    }
  }
  if (newest.empty()) Fail("nenhum arquivo compactado em " + folder.string());
  return newest;
}

// The archive passes `unzip -t` and holds the main backup byte for byte.
void CheckSafetyArchive(const fs::path& zip) {
  Check("unzip -tq " + QuotedForShell(zip.string()), "unzip -t recusou " + zip.string());
  fs::path fbk = zip;
  fbk.replace_extension(".fbk");
  Check("unzip -p " + QuotedForShell(zip.string()) + " | cmp - " + QuotedForShell(fbk.string()),
        "a entrada de " + zip.string() + " difere do backup");
}

void PrintTable(const std::vector<Measure>& rows) {
  std::printf("\n%-44s %8s %8s %10s %9s %11s %11s\n", "passo", "parede s", "CPU s", "servidor s",
              "pico MB", "enviado MB", "arquivo MB");
  for (const Measure& m : rows) {
    std::printf("%-44s %8.2f %8.2f %10.2f %9.1f %11.1f %11.1f\n", m.name.c_str(), m.wall, m.cpu,
                m.serverCpu, m.peakMb, static_cast<double>(m.sent) / 1e6,
                static_cast<double>(m.archive) / 1e6);
  }
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

// A point-of-sale database in PostgreSQL of about `mb` megabytes: customers, products, sales and
// their items, text and numbers, grown in blocks until the size is reached.
void FillPostgres(const harness::PostgresServer& pg, const std::string& db, int mb) {
  pg.Psql("postgres", "create database " + db);
  pg.Psql(
      db,
      "create table clientes (id integer primary key, nome varchar(60), cpf varchar(14),"
      " email varchar(80), endereco varchar(120), cidade varchar(40));"
      "create table produtos (id integer primary key, descricao varchar(80),"
      " preco numeric(15,4), estoque numeric(15,4), ncm varchar(8));"
      "create table vendas (id bigint primary key, cliente integer, momento timestamp,"
      " total numeric(15,4), desconto numeric(15,4), situacao char(1), obs varchar(200));"
      "create table itens (venda bigint, item integer, produto integer, quantidade"
      " numeric(15,4), preco numeric(15,4), descricao varchar(80), primary key (venda, item));"
      "create index itens_produto on itens (produto);"
      "create index vendas_momento on vendas (momento);"
      "insert into clientes select i, 'Cliente ' || i, lpad((i * 7919 % 99999999999)::text,"
      " 11, '0'), 'cliente' || i || '@exemplo.com.br', 'Rua ' || (i % 900) || ', ' || (i % 3000),"
      " (array['Curitiba','Londrina','Maringá','Cascavel','Ponta Grossa'])[1 + i % 5]"
      " from generate_series(1, 50000) i;"
      "insert into produtos select i, 'Produto ' || i || ' ' || (array['pizza','lanche',"
      "'refrigerante','cerveja','porção','sobremesa'])[1 + i % 6], (i % 9000) / 100.0 + 2,"
      " i % 500, lpad((i * 31 % 99999999)::text, 8, '0') from generate_series(1, 5000) i;");
  const long long target = static_cast<long long>(mb) * 1024 * 1024;
  const int block = 100000;
  for (long long first = 1;; first += block) {
    const std::string from = std::to_string(first);
    const std::string to = std::to_string(first + block - 1);
    pg.Psql(db,
            "insert into vendas select i, 1 + i % 50000, timestamp '2026-01-01' + i *"
            " interval '37 seconds', (i % 20000) / 100.0, (i % 7) / 10.0,"
            " (array['F','F','F','C'])[1 + i % 4], case when i % 5 = 0 then 'Entregar no"
            " portão ' || i % 97 end from generate_series(" +
                from + ", " + to +
                ") i;"
                "insert into itens select v, n, 1 + (v * n) % 5000, 1 + (v + n) % 3,"
                " ((v * n) % 9000) / 100.0 + 2, 'Produto ' || (1 + (v * n) % 5000)"
                " from generate_series(" +
                from + ", " + to + ") v, generate_series(1, 5) n;");
    if (std::stoll(pg.Psql(db, "select pg_database_size(current_database())")) >= target) break;
  }
  pg.Psql(db, "vacuum analyze");
}

}  // namespace

int main(int argc, char** argv) {
  int mb = 1024;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--mb" && i + 1 < argc) {
      mb = std::atoi(argv[++i]);
    } else {
      Fail("uso: backup_bench [--mb N]");
    }
  }
  if (mb < 1) Fail("tamanho inválido");

  const fs::path database = harness::DemoDatabase(mb);
  // Both sides read the database from the page cache.
  Check("cat " + QuotedForShell(database.string()) + " > /dev/null", "leitura do banco");

  harness::ScratchDir scratch;
  harness::FirebirdServer& firebird = harness::FirebirdServer::Instance();
  harness::FtpServer ftp(scratch.Path() / "ftp");
  const std::string ftpUrl =
      "ftp://" + ftp.User() + ":" + ftp.Password() + "@127.0.0.1:" + std::to_string(ftp.Port());
  const std::string backupExe = BACKUP_EXECUTABLE;

  // The agent's product folder, its settings and the FTP server's backup root.
  const fs::path agent = scratch.Path() / "agente";
  const fs::path produto = agent / "Quelora";
  const fs::path extra = agent / "Extra";
  fs::create_directories(produto / "BACKUP");
  fs::create_directories(extra);
  fs::create_directories(ftp.Root() /
                         "domains/bench.example/public_html/financeiro/storage/app"
                         "/public/backup");
  harness::HttpStandIn gestor;
  gestor.On("POST", "/gestor/_ultimoBackup.php", harness::StandInReply{.Body = "ok"});
  harness::PostgresServer pg("bench-pg");
  const fs::path ini = agent / "implantacao.ini";
  harness::WriteFile(
      ini,
      "[Produto]\nPasta=" + produto.string() + "\n[Firebird]\nServidor=" + firebird.Host() +
          "\nBanco=" + database.string() + "\nUsuario=" + harness::FirebirdServer::kUser +
          "\nSenha=" + harness::FirebirdServer::kPassword +
          "\n[FTPBackup]\nHost=127.0.0.1\nPorta=" + std::to_string(ftp.Port()) +
          "\nUsuario=" + ftp.User() + "\nSenha=" + ftp.Password() +
          "\nDominio=bench.example\nTempoConexaoMs=10000\n[FTPGestor]\nHost=127.0.0.1\nPorta=" +
          std::to_string(ftp.Port()) + "\nUsuario=" + ftp.User() + "\nSenha=" + ftp.Password() +
          "\nTempoConexaoMs=10000\n[Gestor]\nURL=" + gestor.Url() +
          "\n[PostgreSQL]\nHost=localhost\nPorta=" + std::to_string(pg.Port()) +
          "\nSenha=bench-pg\nBanco=bench\n");
  harness::WriteFile(agent / "config.ini", "[Banco]\nNome=bench\n");
  harness::WriteFile(agent / "configuracao.ini", "[Settings]\n");
  const std::map<std::string, std::string> agentEnv = {{"IMPLANTACAO_INI", ini.string()}};

  std::vector<Measure> rows;

  // The two sides take turns, twice: the first round warms the caches (and sends the agent's
  // older archives), the second is the one compared.
  const fs::path tecnico = scratch.Path() / "tecnico";
  fs::create_directories(tecnico / "extra");
  const std::string gbak =
      "gbak -b -se " + firebird.Host() + ":service_mgr -user " + harness::FirebirdServer::kUser +
      " -password " + harness::FirebirdServer::kPassword + " " + QuotedForShell(database.string());
  // The technician's script: two backups through the services manager, one after the other (the
  // server writes them, so their paths are absolute), the main one zipped and sent.
  const std::string safetyScript =
      gbak + " " + QuotedForShell((tecnico / "Backup_Seguranca.fbk").string()) + " && " + gbak +
      " " + QuotedForShell((tecnico / "extra/Backup_Seguranca.fbk").string()) +
      " && rm -f Backup_Seguranca.zip && zip -q -6 Backup_Seguranca.zip Backup_Seguranca.fbk &&"
      " curl -sS --ftp-create-dirs -T Backup_Seguranca.zip " +
      ftpUrl + "/tecnico/";
  const std::string backupNow =
      QuotedForShell(backupExe) + " --backup-now " + QuotedForShell(extra.string());
  Measure script;
  Measure agentRun;
  double agentPeakMb = 0;
  for (int round = 1; round <= 2; ++round) {
    const std::string tag = " (" + std::to_string(round) + ")";
    script = Run("script: 2x gbak -b -se, zip -6, curl -T" + tag, safetyScript, tecnico,
                 firebird.Pid(), ftp);
    script.archive = Size(tecnico / "Backup_Seguranca.zip");
    rows.push_back(script);
    // Three archives of earlier hours wait in the agent's folder: the first run sends them with
    // its own, the second finds them on the server unchanged and sends only its new one.
    if (round == 1) {
      for (const char* older : {"01", "02", "03"}) {
        fs::copy_file(tecnico / "Backup_Seguranca.zip",
                      produto / "BACKUP" / ("Backup_Seguranca_" + std::string(older) + ".zip"),
                      fs::copy_options::overwrite_existing);
      }
    }
    agentRun = Run("agente: --backup-now" + tag, backupNow, agent, firebird.Pid(), ftp, agentEnv);
    const fs::path archive = NewestArchive(produto / "BACKUP");
    agentRun.archive = Size(archive);
    CheckSafetyArchive(archive);
    rows.push_back(agentRun);
    agentPeakMb = std::max(agentPeakMb, agentRun.peakMb);
  }

  // PostgreSQL: the dump zipped and sent, by hand and by the configured job.
  std::printf("gerando banco PostgreSQL de %d MB...\n", mb);
  std::fflush(stdout);
  FillPostgres(pg, "bench", mb);
  std::string pgSize = pg.Psql("bench", "select pg_database_size('bench') / 1048576");
  while (!pgSize.empty() && (pgSize.back() == '\n' || pgSize.back() == ' ')) pgSize.pop_back();
  const std::map<std::string, std::string> pgEnv = {{"PGPASSWORD", "bench-pg"}};
  const std::string dumpScript =
      (harness::PostgresServer::BinDir() / "pg_dump").string() + " -h localhost -p " +
      std::to_string(pg.Port()) +
      " -U postgres -F c -b -f bench.backup bench && rm -f bench.zip && zip -q -6 bench.zip"
      " bench.backup && curl -sS --ftp-create-dirs -T bench.zip " +
      ftpUrl + "/tecnico/";
  Measure dump;
  Measure job;
  for (int round = 1; round <= 2; ++round) {
    const std::string tag = " (" + std::to_string(round) + ")";
    dump = Run("script: pg_dump -Fc, zip -6, curl -T" + tag, dumpScript, tecnico, pg.Pid(), ftp,
               pgEnv);
    dump.archive = Size(tecnico / "bench.zip");
    rows.push_back(dump);
    // Runs within one minute share their archive's name; each run starts from an empty folder.
    fs::remove_all(agent / "BKP_FTP");
    job = Run("agente: --backup-ftp" + tag, QuotedForShell(backupExe) + " --backup-ftp", agent,
              pg.Pid(), ftp, agentEnv);
    fs::path jobArchive;
    for (const auto& e : fs::directory_iterator(agent / "BKP_FTP")) {
      if (e.path().extension() == ".zip") jobArchive = e.path();
    }
    if (jobArchive.empty()) Fail("o job não deixou arquivo em BKP_FTP");
    job.archive = Size(jobArchive);
    Check("unzip -tq " + QuotedForShell(jobArchive.string()),
          "unzip -t recusou " + jobArchive.string());
    rows.push_back(job);
    agentPeakMb = std::max(agentPeakMb, job.peakMb);
  }

  std::printf("\nnúcleos: %ld; banco Firebird %.0f MB, backup %.0f MB; banco PostgreSQL %s MB\n",
              ::sysconf(_SC_NPROCESSORS_ONLN), static_cast<double>(Size(database)) / 1048576.0,
              static_cast<double>(Size(tecnico / "Backup_Seguranca.fbk")) / 1048576.0,
              pgSize.c_str());
  PrintTable(rows);
  std::printf(
      "\nbackup de segurança, agente / script: parede %.2f (meta ≤ 0,5), CPU+servidor %.2f,"
      " arquivo %.3f (meta ≤ 1,15)\n",
      Ratio(agentRun.wall, script.wall),
      Ratio(agentRun.cpu + agentRun.serverCpu, script.cpu + script.serverCpu),
      Ratio(static_cast<double>(agentRun.archive), static_cast<double>(script.archive)));
  std::printf("enviado na execução seguinte / arquivo novo: %.4f (meta ≤ 1,01)\n",
              Ratio(static_cast<double>(agentRun.sent), static_cast<double>(agentRun.archive)));
  std::printf("pico de memória do agente: %.1f MB (meta < 100)\n", agentPeakMb);
  std::printf("job configurado, agente / script: parede %.2f, CPU+servidor %.2f, arquivo %.3f\n",
              Ratio(job.wall, dump.wall), Ratio(job.cpu + job.serverCpu, dump.cpu + dump.serverCpu),
              Ratio(static_cast<double>(job.archive), static_cast<double>(dump.archive)));
  return 0;
}
