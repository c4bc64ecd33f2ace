// The divisions of the DANFE NFC-e, top to bottom: issuer, sale detail,
// totals and payment, consultation by the access key, consumer, the note's
// identification and protocol, QR code, taxes, additional information.
#include "danfe/danfe.h"
#include "danfe/escpos.h"
#include "danfe/qr.h"
#include "danfe/text.h"
#include "shared/cp1252.h"

#include <algorithm>

namespace qv::danfe {

using namespace detail;

namespace {

// A printed paper must say something, even when a name has a character the
// printer's page lacks: such a character prints as '?'.
std::string printable(std::string_view utf8) {
    return utf8_to_cp1252_lossy(utf8);
}

bool is_access_key(std::string_view key) {
    return key.size() == 44 &&
           std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Paper {
  public:
    explicit Paper(PaperWidth width)
        : columns_(width == PaperWidth::mm80 ? 48 : 32),
          dots_(width == PaperWidth::mm80 ? 576 : 384) {
        out_.initialize();
        out_.code_page(kCodePageWpc1252);
    }
    int columns() const { return columns_; }
    int dots() const { return dots_; }
    EscPos& out() { return out_; }

    void lines(const std::vector<std::string>& texts) {
        for (const std::string& t : texts)
            out_.line(t);
    }
    void wrapped(std::string_view cp1252) { lines(wrap(cp1252, columns_)); }
    void pair(std::string_view left, std::string_view right) {
        lines(pair_line(left, right, columns_));
    }
    void bold_wrapped(std::string_view cp1252) {
        out_.bold(true);
        wrapped(cp1252);
        out_.bold(false);
    }
    void separator() {
        out_.align(Align::left);
        out_.line(std::string(static_cast<std::size_t>(columns_), '-'));
    }

  private:
    int columns_;
    int dots_;
    EscPos out_;
};

void issuer(Paper& p, const Document& d) {
    p.out().align(Align::center);
    p.out().bold(true);
    p.out().size(1, 2);
    p.wrapped(printable(d.issuer.name));
    p.out().size(1, 1);
    p.out().bold(false);
    const std::string cnpj = "CNPJ: " + masked_document(printable(d.issuer.cnpj));
    const std::string ie = "IE: " + printable(d.issuer.ie);
    if (static_cast<int>(cnpj.size() + 1 + ie.size()) <= p.columns()) {
        p.out().line(cnpj + " " + ie);
    } else {
        p.wrapped(cnpj);
        p.wrapped(ie);
    }
    p.wrapped(printable(d.issuer.address));
    p.wrapped("Documento Auxiliar da Nota Fiscal de Consumidor Eletrônica"_cp1252);
    p.separator();
}

void sale_detail(Paper& p, const Document& d) {
    p.out().align(Align::left);
    p.pair("Código Descrição"_cp1252, "Qtde UN x Vl Unit  Vl Total");
    for (const Item& item : d.items) {
        p.wrapped(printable(item.code) + " " + printable(item.description));
        p.pair(quantity(item.quantity) + " " + printable(item.unit) + " x " +
                   money(item.unit_price),
               money(item.total));
    }
    p.separator();
}

void totals_and_payment(Paper& p, const Document& d) {
    p.pair("Qtde. total de itens", std::to_string(d.items.size()));
    p.pair("Valor total R$", money(d.total));
    if (!d.discount.is_zero()) p.pair("Desconto R$", money(d.discount));
    p.out().bold(true);
    p.pair("Valor a Pagar R$", money(d.amount_to_pay));
    p.out().bold(false);
    p.pair("FORMA PAGAMENTO", "VALOR PAGO R$");
    for (const Payment& payment : d.payments)
        p.pair(printable(payment.form), money(payment.amount));
    if (!d.change.is_zero()) p.pair("Troco R$", money(d.change));
    p.separator();
}

// The fiscal message area: the homologation warning, then how to look the
// note up.
void consultation(Paper& p, const Document& d) {
    p.out().align(Align::center);
    if (d.homologation)
        p.bold_wrapped("EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL"_cp1252);
    p.bold_wrapped("Consulte pela Chave de Acesso em");
    p.wrapped(printable(d.consultation_url));
    p.lines(key_lines(d.access_key));
    p.separator();
}

void consumer(Paper& p, const Document& d) {
    p.out().align(Align::center);
    if (d.consumer_document.empty() && d.consumer_name.empty()) {
        p.bold_wrapped("CONSUMIDOR NÃO IDENTIFICADO"_cp1252);
    } else {
        std::string text = "CONSUMIDOR";
        if (!d.consumer_document.empty())
            text += std::string(d.consumer_document.size() == 14 ? " - CNPJ " : " - CPF ") +
                    masked_document(printable(d.consumer_document));
        if (!d.consumer_name.empty()) text += " - " + printable(d.consumer_name);
        p.wrapped(text);
    }
    p.separator();
}

void identification(Paper& p, const Document& d) {
    p.out().align(Align::center);
    p.bold_wrapped("NFC-e nº "_cp1252 + printable(d.number) + " Série "_cp1252 +
                   printable(d.series) + " " + printable(d.issued_at));
    if (d.contingency) {
        p.bold_wrapped("EMITIDA EM CONTINGÊNCIA"_cp1252);
        for (const std::string& text : d.contingency_texts)
            p.wrapped(printable(text));
    } else {
        p.wrapped("Protocolo de autorização: "_cp1252 + printable(d.protocol));
        p.wrapped("Data de autorização: "_cp1252 + printable(d.authorized_at));
    }
}

void taxes_and_information(Paper& p, const Document& d) {
    p.separator();
    if (!d.taxes_line.empty()) p.wrapped(printable(d.taxes_line));
    for (const std::string& info : d.additional_info)
        p.wrapped(printable(info));
}

} // namespace

Printout layout(const Document& document, PaperWidth width) {
    if (!is_access_key(document.access_key)) return {{}, "a chave de acesso não tem 44 dígitos"};
    Paper paper(width);
    const std::optional<Bitmap> qr = qr_image(document.qr_code, paper.dots());
    if (!qr) return {{}, "o texto do QR Code está vazio ou não cabe em um QR Code"};
    issuer(paper, document);
    sale_detail(paper, document);
    totals_and_payment(paper, document);
    consultation(paper, document);
    consumer(paper, document);
    identification(paper, document);
    paper.out().align(Align::center);
    paper.out().raster(*qr);
    paper.out().align(Align::left);
    taxes_and_information(paper, document);
    paper.out().cut();
    return {paper.out().bytes(), {}};
}

} // namespace qv::danfe
