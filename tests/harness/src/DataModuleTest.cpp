#include "harness/DataModuleTest.h"

#include "common/Database.h"
#include "common/TDM.h"

namespace harness {

void DataModuleTest::StartDataModule(const DeploymentSettings& settings) {
  SetDeployment(settings);
  CreateDM();
  FStarted = true;
}

void DataModuleTest::TearDown() {
  if (FStarted) DestroyDM();
  SetDeployment(DeploymentSettings{});
}

void DataModuleTest::Exec(const std::string& sql) {
  Query q(DM().conexao);
  q.SetSQL(sql);
  q.ExecSQL();
}

}  // namespace harness
