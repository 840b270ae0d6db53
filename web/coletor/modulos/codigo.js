// Codes read by the handheld: the coding of the register's automatic codes and
// the check of their check digit, as the desktop classes a reading.

// The coding as the load carries it (0 none, 1 EAN-8, 2 EAN-13), or as the
// desktop's settings name it ("EAN8", "EAN13").
export function digitosDaCodificacao(codificacao) {
  if (codificacao === 1 || codificacao === 'EAN8') return 8;
  if (codificacao === 2 || codificacao === 'EAN13') return 13;
  return 0;
}

export function nomeDaCodificacao(codificacao) {
  const digitos = digitosDaCodificacao(codificacao);
  return digitos ? `padrão EAN-${digitos}` : 'nenhum';
}

// The EAN check digit of the data digits (7 or 12).
export function digitoVerificador(dados) {
  let soma = 0;
  for (let i = 0; i < dados.length; i++) {
    const peso = (dados.length - i) % 2 === 1 ? 3 : 1;
    soma += Number(dados[i]) * peso;
  }
  return String((10 - (soma % 10)) % 10);
}

// Whether a code of the coding's length fails its check digit: such a code is a
// misread and must not become a new asset. Codes of other lengths pass.
export function falhaDigitoVerificador(codigo, codificacao) {
  const digitos = digitosDaCodificacao(codificacao);
  if (digitos === 0 || codigo.length !== digitos) return false;
  if (!/^[0-9]+$/.test(codigo)) return true;
  return digitoVerificador(codigo.slice(0, -1)) !== codigo.slice(-1);
}

// A code as the reader or the keyboard gives it: without the blanks and
// control characters a wedge scanner may add around it.
export function limparCodigo(texto) {
  return texto.replace(/[\u0000-\u001f\u007f]/g, '').trim();
}
