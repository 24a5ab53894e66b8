#pragma once
// The safety backup's upload: the archives of the BACKUP folder into the company's folder on the
// maker's FTP server, with the log-pane lines and the connection lights.

#include <string>
#include <vector>

#include "common/DeploymentSettings.h"

class ProgressView;
class ConnectionIndicators;

// Appends a line to the pane; nothing without one.
void PaneLine(ProgressView* pane, const std::string& text);

// The folders of a CNPJ below the backup root ("12.345.678/0001-90" gives two). Throws when the
// value names no folder of its own: empty, "." or "..", or control characters that would end
// the FTP command.
std::vector<std::string> CompanyFolderLevels(const std::string& cnpj);

struct SafetyUploadRequest {
  const DeploymentSettings& Settings;
  std::string Cnpj;
  std::string FreshArchive;  // bare name of the archive the run just made; always sent
  ProgressView* Pane = nullptr;
  ConnectionIndicators* Indicators = nullptr;
};

// Connects, enters (or creates) the company folder and stores the archives that the server
// lacks or that changed since they were sent. Every failure becomes a pane line, except an
// unusable CNPJ, which throws before anything is sent.
void UploadSafetyArchives(const SafetyUploadRequest& request);
