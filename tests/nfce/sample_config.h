// A whole nfce.conf of a restaurant in São Paulo, homologation: the tests
// change one line of it at a time.
#pragma once

namespace qv::test {

inline constexpr const char* kSampleConfig = R"(# Restaurante Bom Prato
CNPJ=11222333000181
IE=123456789012
xNome=Restaurante Bom Prato Ltda
xFant=Bom Prato
xLgr=Rua das Flores
nro=100
xBairro=Centro
cMun=3550308
xMun=São Paulo
UF=SP
CEP=01001000
fone=1133334444
CRT=1
serie=1
ambiente=homologacao
CSC=0123456789ABCDEF0123456789ABCDEF
idCSC=000001
certificado=/etc/quiterval/certificado.pfx
senha_certificado=/etc/quiterval/senha-certificado
item.1.NCM=21069090
item.1.CFOP=5102
item.1.CSOSN=102
item.1.CST_PIS=49
item.1.CST_COFINS=49
item.1.uCom=PRATO
item.2.NCM=22021000
item.2.CFOP=5405
item.2.CSOSN=500
item.2.CST_PIS=04
item.2.CST_COFINS=04
pagamento.Dinheiro=01
pagamento.Cheque=02
pagamento.Cartao=03
impressora=192.168.0.50:9100
respTec.CNPJ=11444777000161
respTec.xContato=Maria Suporte
respTec.email=suporte@softwarehouse.com.br
respTec.fone=11999998888
)";

} // namespace qv::test
