// The stand-in tax authority's answers: what each of the five NFC-e web
// services says to a SOAP request, following rules chosen per request, and
// the notes it authorised kept in its folder so that a restart finds them.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace qv::sefazsim {

enum class Behaviour {
    authorise,   // authorises (or finds a duplicate)
    reject,      // rejects the note with the chosen code and text
    no_answer,   // holds the connection and never answers
    lost_answer, // does the work and records it, then drops the connection
    duplicate,   // a new note is taken as sent before: authorised, answered 204
};

struct Rules {
    Behaviour behaviour = Behaviour::authorise;
    int rejection_code = 999;
    std::string rejection_reason = "Rejeição: Erro não catalogado";
    long cancel_limit_seconds = 30 * 60; // past this, a cancellation is too late (501)
    int hold_seconds = 120;              // how long no_answer holds the connection
};

// Reads rules from a control file's text, over `base`:
//   comportamento=autorizar|rejeitar|sem-resposta|resposta-perdida|duplicada
//   rejeicao=539
//   motivo=Rejeição: ...
//   prazo-cancelamento=SEGUNDOS
//   espera=SEGUNDOS
// Blank lines and lines starting with # are skipped. nullopt (and `error`)
// for an unknown key or a bad value.
std::optional<Rules> parse_rules(std::string_view text, Rules base, std::string* error);
// The behaviour named as in the control file; nullopt for an unknown name.
std::optional<Behaviour> behaviour_named(std::string_view name);

// Now in Brasília's time as the authorities write it (2026-12-08T15:45:00-03:00).
std::string brasilia_now();

struct Reply {
    enum class Action { answer, hold, drop } action = Action::answer;
    int http_status = 200;
    std::string envelope; // the SOAP 1.2 answer (action answer)
    std::string log_line; // what was asked and answered
};

class Authority {
  public:
    // Keeps its records in `folder` (made when missing).
    explicit Authority(std::filesystem::path folder);

    // The answer to one SOAP request. Thread-safe.
    Reply handle(std::string_view request, const Rules& rules);

  private:
    std::filesystem::path folder_;
    std::mutex mutex_;
};

} // namespace qv::sefazsim
