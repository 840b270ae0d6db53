#include "service/SetupPage.h"

#include "service/ServiceHeaders.h"

namespace ambitra {

namespace {

// Plain HTML without script or inline style, which the content security policy refuses.
const char16_t kPage[] =
    uR"(<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Coletor do Ambitra: configuração</title>
</head>
<body>
<h1>Configuração do coletor</h1>
<p>O coletor funciona no navegador deste aparelho, pelo endereço seguro:</p>
<p><strong><a href="%1">%1</a></strong></p>
<p>Antes de abri-lo pela primeira vez, instale neste aparelho a autoridade certificadora
do Ambitra: é ela que garante ao navegador que o endereço é mesmo o deste computador.</p>
<p><a href="/autoridade.crt">Baixar a autoridade certificadora</a></p>
<p>Impressão digital SHA-256 da autoridade (confira se é a mesma mostrada no computador
antes de instalá-la):<br><code>%2</code></p>
<h2>Android</h2>
<ol>
<li>Toque em “Baixar a autoridade certificadora”.</li>
<li>Abra Configurações &gt; Segurança &gt; Criptografia e credenciais &gt; Instalar um
certificado &gt; Certificado de CA (os nomes variam de um aparelho para outro).</li>
<li>Escolha o arquivo autoridade.crt baixado e confirme a instalação.</li>
<li>Abra o endereço seguro acima no navegador.</li>
</ol>
<h2>iPhone e iPad (iOS)</h2>
<ol>
<li>Abra esta página no Safari, toque em “Baixar a autoridade certificadora” e permita o
download do perfil.</li>
<li>Em Ajustes &gt; Geral &gt; VPN e Gerenciamento de Dispositivos, toque no perfil
baixado e instale-o.</li>
<li>Em Ajustes &gt; Geral &gt; Sobre &gt; Ajustes de Confiança de Certificados, ative a
confiança total na autoridade do Ambitra.</li>
<li>Abra o endereço seguro acima.</li>
</ol>
<p>Sem a autoridade instalada o navegador avisa que a conexão não é particular. Quem
prosseguir mesmo assim pode usar o coletor, mas ele só funciona com a aba aberta: não
abre de novo sem a rede.</p>
</body>
</html>
)";

}  // namespace

SetupPage::SetupPage(QString httpsAddress, QByteArray authorityDer, QString fingerprint)
    : m_httpsAddress(std::move(httpsAddress)),
      m_authorityDer(std::move(authorityDer)),
      m_fingerprint(std::move(fingerprint)) {}

ServiceResponse SetupPage::handle(const ServiceRequest& request) const {
    ServiceResponse response;
    if (request.method == "GET" && request.path == QLatin1String("/")) {
        response.contentType = "text/html; charset=utf-8";
        response.body = QString::fromUtf16(kPage)
                            .arg(m_httpsAddress.toHtmlEscaped(), m_fingerprint.toHtmlEscaped())
                            .toUtf8();
    } else if (request.method == "GET" && request.path == QLatin1String("/autoridade.crt")) {
        response.contentType = "application/x-x509-ca-cert";
        response.headers.append(qMakePair(QByteArray("Content-Disposition"),
                                          QByteArray("attachment; filename=\"autoridade.crt\"")));
        response.body = m_authorityDer;
    } else {
        response = errorResponse(404, QStringLiteral("Endereço não encontrado."));
    }
    return response;
}

}  // namespace ambitra
