#pragma once
// The auto-start toggle: an XDG autostart entry, <Sistema/PastaAutostart>/Backup.desktop, copied
// from Sistema/OrigemAtalho (by default the Backup.desktop that CreateShortcut writes beside the
// executable). The toggle's state is the text of the window's label `labAuto`.

#include <filesystem>
#include <string>

class TFuncoesIFood;

inline constexpr const char* kLabAutoPresente = "Inicio automatico";
inline constexpr const char* kLabAutoAusente = "Automático!";
inline constexpr const char* kLabAutoRemover = "Remover Inicialização?";
inline constexpr const char* kLabAutoIniciar = "Iniciar automaticamente?";
inline constexpr const char* kLabStartPresente = "Automático";

std::filesystem::path AutoStartEntry();
std::filesystem::path AutoStartSource();
[[nodiscard]] bool AutoStartEntryExists();

// One use of the toggle, given labAuto's text; returns its new text. "Remover Inicialização?"
// deletes the entry; any other text writes the launcher beside the executable and copies the
// source into the autostart folder. Failures do not change the outcome: the label changes as
// always, and each failure leaves one line in the root log.
std::string AlternarInicioAutomatico(const std::string& labAuto, const TFuncoesIFood& funcao);
