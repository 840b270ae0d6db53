// The desktop's API (/api/v1/...): every error comes back as an exception
// with the text for the user; a network failure says so in Portuguese.

export class ErroApi extends Error {
  constructor(mensagem, status) {
    super(mensagem);
    this.status = status;
  }
}

export const SEM_CONEXAO = 'Sem conexão com o computador. As leituras continuam guardadas neste coletor.';

export async function chamar(caminho, {token, corpo, metodo} = {}) {
  const cabecalhos = {'Accept': 'application/json'};
  if (token) cabecalhos['Authorization'] = `Bearer ${token}`;
  if (corpo !== undefined) cabecalhos['Content-Type'] = 'application/json';
  let resposta;
  try {
    resposta = await fetch(`/api/v1/${caminho}`, {
      method: metodo || (corpo === undefined ? 'GET' : 'POST'),
      headers: cabecalhos,
      body: corpo === undefined ? undefined : JSON.stringify(corpo),
      cache: 'no-store',
    });
  } catch {
    throw new ErroApi(SEM_CONEXAO, 0);
  }
  let dados = null;
  try {
    dados = await resposta.json();
  } catch {
    if (resposta.ok) throw new ErroApi(SEM_CONEXAO, 0);
  }
  if (!resposta.ok) {
    const texto = dados && typeof dados.erro === 'string' ? dados.erro
                                                         : `O computador respondeu com erro ${resposta.status}.`;
    throw new ErroApi(texto, resposta.status);
  }
  return dados;
}
