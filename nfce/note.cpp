#include "nfce/note.h"

#include "nfce/access_key.h"
#include "nfce/documents.h"
#include "nfce/states.h"
#include "shared/version.h"

#include <algorithm>
#include <libxml/tree.h>
#include <memory>

namespace qv::nfce {

namespace {

constexpr const char* kNamespace = "http://www.portalfiscal.inf.br/nfe";
constexpr const char* kLayoutVersion = "4.00";

const xmlChar* x(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

// Children in the order they are added, which is the order the schema
// asks for; text is escaped by libxml2.
class Element {
  public:
    explicit Element(xmlNodePtr node) : node_(node) {}
    Element add(const char* name) const {
        return Element(xmlNewChild(node_, nullptr, x(name), nullptr));
    }
    Element add(const char* name, const std::string& text) const {
        return Element(xmlNewTextChild(node_, nullptr, x(name), x(text.c_str())));
    }
    void attribute(const char* name, const std::string& value) const {
        xmlNewProp(node_, x(name), x(value.c_str()));
    }

  private:
    xmlNodePtr node_;
};

struct DocumentDeleter {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

std::string zero(int decimals) {
    return decimal_text(Decimal(), decimals);
}

std::string two_digits(int v) {
    return std::string(v < 10 ? "0" : "") + std::to_string(v);
}

// An item with its share of the discount, all cut to cents.
struct Line {
    const CouponItem* item;
    const ItemTax* tax;
    Decimal value;    // vProd
    Decimal discount; // vDesc
    Decimal approximate;
};

// Shares the discount out in proportion to the items' values, in cents
// cut; the last item takes what the cuts left, so the shares add up to
// the discount exactly.
void share_discount(std::vector<Line>& lines, Decimal discount, Decimal gross) {
    Decimal given;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        lines[i].discount = i + 1 == lines.size()
                                ? discount - given
                                : proportion(discount, lines[i].value, gross).truncated(2);
        given += lines[i].discount;
    }
}

void add_pis_or_cofins(Element imposto, const char* tax, const std::string& cst) {
    const bool untaxed = cst < "49"; // 04 to 09
    const std::string group = std::string(tax) + (untaxed ? "NT" : "Outr");
    Element g = imposto.add(tax).add(group.c_str());
    g.add("CST", cst);
    if (untaxed) return;
    g.add("vBC", zero(2));
    g.add((std::string("p") + tax).c_str(), zero(4));
    g.add((std::string("v") + tax).c_str(), zero(2));
}

// The ICMS group of the Simples Nacional for the item's CSOSN: 500 when the
// ICMS was charged before by substitution, 102 for the rest (102, 103,
// 300, 400). Goods of national origin.
void add_icms(Element imposto, const std::string& csosn) {
    Element g = imposto.add("ICMS").add(csosn == "500" ? "ICMSSN500" : "ICMSSN102");
    g.add("orig", "0");
    g.add("CSOSN", csosn);
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string decimal_text(Decimal value, int decimals) {
    std::int64_t units = value.truncated(decimals).units();
    const bool negative = units < 0;
    if (negative) units = -units;
    std::int64_t scale = 1;
    for (int i = decimals; i < Decimal::kScale; ++i)
        scale *= 10;
    units /= scale; // now in 10^-decimals
    std::int64_t one = 1;
    for (int i = 0; i < decimals; ++i)
        one *= 10;
    std::string text = std::to_string(units / one);
    if (decimals > 0) {
        std::string fraction = std::to_string(units % one);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += "." + fraction;
    }
    return negative ? "-" + text : text;
}

std::string date_time_text(const IssueTime& t) {
    const int offset = t.utc_offset_minutes < 0 ? -t.utc_offset_minutes : t.utc_offset_minutes;
    return std::to_string(t.year) + "-" + two_digits(t.month) + "-" + two_digits(t.day) + "T" +
           two_digits(t.hour) + ":" + two_digits(t.minute) + ":" + two_digits(t.second) +
           (t.utc_offset_minutes < 0 ? "-" : "+") + two_digits(offset / 60) + ":" +
           two_digits(offset % 60);
}

NoteResult build_note(const Config& config, const Coupon& coupon, const NoteNumbers& numbers,
                      const IssueTime& time) {
    NoteResult bad;
    const State* state = find_state(config.issuer.uf);
    if (state == nullptr) {
        bad.error = "UF do emitente desconhecida";
        return bad;
    }
    if (coupon.items.empty()) {
        bad.error = "cupom sem itens";
        return bad;
    }
    const bool cpf = coupon.document.size() == 11;
    if (!coupon.document.empty() &&
        !(cpf ? cpf_valid(coupon.document) : cnpj_valid(coupon.document))) {
        bad.error = "CPF/CNPJ do consumidor inválido: " + coupon.document;
        return bad;
    }
    const auto payment = config.payment_codes.find(coupon.payment);
    if (payment == config.payment_codes.end()) {
        bad.error = "forma de pagamento sem código na configuração: " + coupon.payment;
        return bad;
    }

    std::vector<Line> lines;
    Decimal gross;
    for (const CouponItem& item : coupon.items) {
        const auto code = item.code.find_first_not_of('0');
        const auto tax =
            config.items.find(code == std::string::npos ? "0" : item.code.substr(code));
        if (tax == config.items.end()) {
            bad.error = "item sem dados fiscais na configuração: " + item.code;
            return bad;
        }
        const Decimal value = item.amount.truncated(2);
        if (value <= Decimal()) {
            bad.error = "item de valor zero ou negativo: " + item.code;
            return bad;
        }
        lines.push_back({&item, &tax->second, value, Decimal(), item.approximate_tax.truncated(2)});
        gross += value;
    }
    const Decimal discount = coupon.discount.truncated(2);
    if (discount.is_negative() || discount >= gross) {
        bad.error = "desconto deve ser menor que o valor dos itens";
        return bad;
    }
    share_discount(lines, discount, gross);
    const Decimal total = gross - discount;
    const Decimal paid = coupon.paid.truncated(2);
    if (paid < total) {
        bad.error = "pagamento menor que o total da nota";
        return bad;
    }
    // Only cash gives change; a cheque or a card pays the total.
    const bool cash = payment->second == "01";
    if (!cash && paid != total) {
        bad.error = "pagamento diferente do total em " + coupon.payment;
        return bad;
    }

    KeyFields k;
    k.uf_code = state->code;
    k.year = time.year;
    k.month = time.month;
    k.cnpj = config.issuer.cnpj;
    k.series = config.series;
    k.number = numbers.number;
    k.emission = numbers.emission;
    k.code = numbers.code;
    Note note;
    note.key = access_key(k);
    note.total = total;
    const bool homologation = config.environment == Environment::homologation;

    Document doc(xmlNewDoc(x("1.0")));
    xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, x("NFe"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlSetNs(root, xmlNewNs(root, x(kNamespace), nullptr));
    Element inf = Element(root).add("infNFe");
    inf.attribute("versao", kLayoutVersion);
    inf.attribute("Id", "NFe" + note.key);

    Element ide = inf.add("ide");
    ide.add("cUF", std::to_string(state->code));
    ide.add("cNF", note.key.substr(35, 8));
    ide.add("natOp", config.operation);
    ide.add("mod", kModel);
    ide.add("serie", std::to_string(config.series));
    ide.add("nNF", std::to_string(numbers.number));
    ide.add("dhEmi", date_time_text(time));
    ide.add("tpNF", "1");
    ide.add("idDest", "1");
    ide.add("cMunFG", config.issuer.city_code);
    ide.add("tpImp", "4");
    ide.add("tpEmis", std::to_string(numbers.emission));
    ide.add("cDV", note.key.substr(43, 1));
    ide.add("tpAmb", std::to_string(static_cast<int>(config.environment)));
    ide.add("finNFe", "1");
    ide.add("indFinal", "1");
    ide.add("indPres", "1");
    ide.add("procEmi", "0");
    ide.add("verProc", std::string("Quiterval ") + QUITERVAL_VERSION);
    if (numbers.emission != 1) {
        ide.add("dhCont", numbers.contingency_since);
        ide.add("xJust", numbers.contingency_reason);
    }

    const Issuer& is = config.issuer;
    Element emit = inf.add("emit");
    emit.add("CNPJ", is.cnpj);
    emit.add("xNome", is.name);
    if (!is.trade_name.empty()) emit.add("xFant", is.trade_name);
    Element address = emit.add("enderEmit");
    address.add("xLgr", is.street);
    address.add("nro", is.number);
    if (!is.complement.empty()) address.add("xCpl", is.complement);
    address.add("xBairro", is.district);
    address.add("cMun", is.city_code);
    address.add("xMun", is.city);
    address.add("UF", is.uf);
    address.add("CEP", is.cep);
    address.add("cPais", "1058");
    address.add("xPais", "Brasil");
    if (!is.phone.empty()) address.add("fone", is.phone);
    emit.add("IE", is.ie);
    emit.add("CRT", std::to_string(is.crt));

    if (!coupon.document.empty()) {
        Element dest = inf.add("dest");
        dest.add(cpf ? "CPF" : "CNPJ", coupon.document);
        if (homologation) dest.add("xNome", kHomologationName);
        dest.add("indIEDest", "9"); // a final consumer, not a taxpayer of ICMS
    }

    Decimal approximate_total;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        Element det = inf.add("det");
        det.attribute("nItem", std::to_string(i + 1));
        Element prod = det.add("prod");
        prod.add("cProd", l.item->code);
        prod.add("cEAN", "SEM GTIN");
        prod.add("xProd", homologation && i == 0 ? kHomologationItem : l.item->description);
        prod.add("NCM", l.tax->ncm);
        prod.add("CFOP", l.tax->cfop);
        prod.add("uCom", l.tax->unit);
        prod.add("qCom", "1.0000");
        prod.add("vUnCom", decimal_text(l.value, 2));
        prod.add("vProd", decimal_text(l.value, 2));
        prod.add("cEANTrib", "SEM GTIN");
        prod.add("uTrib", l.tax->unit);
        prod.add("qTrib", "1.0000");
        prod.add("vUnTrib", decimal_text(l.value, 2));
        if (!l.discount.is_zero()) prod.add("vDesc", decimal_text(l.discount, 2));
        prod.add("indTot", "1");
        Element imposto = det.add("imposto");
        imposto.add("vTotTrib", decimal_text(l.approximate, 2));
        add_icms(imposto, l.tax->csosn);
        add_pis_or_cofins(imposto, "PIS", l.tax->pis_cst);
        add_pis_or_cofins(imposto, "COFINS", l.tax->cofins_cst);
        approximate_total += l.approximate;
    }

    Element totals = inf.add("total").add("ICMSTot");
    for (const char* name :
         {"vBC", "vICMS", "vICMSDeson", "vFCP", "vBCST", "vST", "vFCPST", "vFCPSTRet"})
        totals.add(name, zero(2));
    totals.add("vProd", decimal_text(gross, 2));
    totals.add("vFrete", zero(2));
    totals.add("vSeg", zero(2));
    totals.add("vDesc", decimal_text(discount, 2));
    for (const char* name : {"vII", "vIPI", "vIPIDevol", "vPIS", "vCOFINS", "vOutro"})
        totals.add(name, zero(2));
    totals.add("vNF", decimal_text(total, 2));
    totals.add("vTotTrib", decimal_text(approximate_total, 2));

    inf.add("transp").add("modFrete", "9"); // no freight: the customer eats here

    Element pag = inf.add("pag");
    Element detail = pag.add("detPag");
    detail.add("tPag", payment->second);
    detail.add("vPag", decimal_text(paid, 2));
    // Cards are paid on a terminal apart from the till.
    if (payment->second == "03" || payment->second == "04")
        detail.add("card").add("tpIntegra", "2");
    if (paid != total) pag.add("vTroco", decimal_text(paid - total, 2));

    const std::string complement =
        trimmed(trimmed(coupon.tax_line) + " " + trimmed(coupon.operator_line));
    if (!complement.empty()) inf.add("infAdic").add("infCpl", complement);

    const TechnicalContact& t = config.technical;
    Element tech = inf.add("infRespTec");
    tech.add("CNPJ", t.cnpj);
    tech.add("xContato", t.contact);
    tech.add("email", t.email);
    tech.add("fone", t.phone);

    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc.get(), &text, &size, "UTF-8");
    if (text == nullptr) {
        bad.error = "falha ao gerar o XML da nota";
        return bad;
    }
    note.xml.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
    xmlFree(text);
    NoteResult result;
    result.note = std::move(note);
    return result;
}

} // namespace qv::nfce
