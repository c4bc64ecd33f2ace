// The shop's NFC-e configuration, read from the text file nfce.conf:
//
//   # comments and blank lines are ignored; one key=value a line
//   CNPJ=12345678000195
//   UF=SP
//   ambiente=homologacao          (or producao)
//   item.1.NCM=21069090           (the meal's fiscal data, by item code)
//   pagamento.Cartao=03
//   url.NFeAutorizacao4=https://...   (overrides the states' table)
//
// The file is UTF-8 (a byte-order mark is skipped). Every value is checked
// when the file is read; each fault is reported in Portuguese with the file,
// the line and the key, and the caller gets either a whole configuration or
// the list of faults, never a configuration with a bad value in it. Only the
// Simples Nacional (CRT 1, and 4 for the MEI) is taken: the tax groups the
// note carries are those of that regime.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::nfce {

// tpAmb: the value written in the note.
enum class Environment { production = 1, homologation = 2 };

struct Issuer {
    std::string cnpj;       // 14 characters; the first 12 may be letters
    std::string ie;         // inscrição estadual, digits
    std::string name;       // xNome
    std::string trade_name; // xFant; may be empty
    std::string street;     // xLgr
    std::string number;     // nro
    std::string complement; // xCpl; may be empty
    std::string district;   // xBairro
    std::string city_code;  // cMun, IBGE's 7 digits
    std::string city;       // xMun
    std::string uf;         // two letters
    std::string cep;        // 8 digits
    std::string phone;      // fone, digits; may be empty
    int crt = 1;            // 1 Simples Nacional, 4 MEI
};

// An item's fiscal data, for the item code the coupon sells it under.
struct ItemTax {
    std::string ncm;        // 8 digits
    std::string cfop;       // 4 digits, 5xxx (sale inside the state)
    std::string csosn;      // 102, 103, 300, 400 or 500
    std::string pis_cst;    // PIS's CST: 04-09 (no tax) or 49-99 (others)
    std::string cofins_cst; // the same for COFINS
    std::string unit;       // uCom, such as "UN"
};

// The software house answering for the program (infRespTec).
struct TechnicalContact {
    std::string cnpj;
    std::string contact; // xContato
    std::string email;
    std::string phone;
};

struct Config {
    std::string file; // where it was read from
    Issuer issuer;
    int series = 1;
    Environment environment = Environment::homologation;
    std::string operation = "VENDA";      // natOp
    std::string csc;                      // the taxpayer's security code
    std::string csc_id;                   // its id, without leading zeros
    int qr_version = 2;                   // the QR code's text: 2 (with the CSC) or 3
    std::string certificate_file;         // the A1 certificate (PKCS#12)
    std::string password_file;            // holds its password; owner only
    std::map<std::string, ItemTax> items; // by item code without leading zeros
    // tPag by the coupon's payment name ("Dinheiro", "Cheque", "Cartao").
    std::map<std::string, std::string> payment_codes;
    int contingency_seconds = 15;     // wait for the state this long, then contingency
    int danfe_width = 80;             // millimetres of paper: 80 or 58
    std::string printer = "simulada"; // device path, host:port, or "simulada"
    // Authorities the state's servers are trusted under besides the
    // system's (PEM, full path; "autoridades="); empty: none.
    std::string extra_ca_file;
    TechnicalContact technical;
    // Addresses that replace the states' table's: by service name
    // ("NFeAutorizacao4", ..., "QRCode", "urlChave").
    std::map<std::string, std::string> addresses;
};

struct ConfigResult {
    std::optional<Config> config;    // set when `errors` is empty
    std::vector<std::string> errors; // UTF-8, one fault each
};

// Reads and checks the configuration file at `path`, and that the
// certificate's password file is closed to other users.
ConfigResult read_config(const std::string& path);
// Checks the text of a configuration file named `file` (no file is opened).
ConfigResult parse_config(std::string_view text, const std::string& file);

// The item codes the coupon sells: the meal and the drinks.
inline constexpr const char* kMealItem = "1";
inline constexpr const char* kDrinksItem = "2";
// The coupon's payment names, as the engine sends them.
inline constexpr std::string_view kPaymentNames[] = {"Dinheiro", "Cheque", "Cartao"};

} // namespace qv::nfce
