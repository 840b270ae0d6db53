#!/usr/bin/python3
"""The unload of readings sent by a browser handheld, against its peer.

Two registers alike (N assets over 20 locations, in shuffled order); on the first,
`ambitra-cli serve` receives N readings (a third of them moved or with another condition) in
requests of at most 20,000 and applies them; on the second, the `Recebidos/` copies the
service kept are applied by `ambitra-cli unload FILE --user NAME`, the unload of a returned
BENS.DBF. ORDER: "shuffled" (the register imported and the readings sent in two different
random orders, as real data comes) or "key" (both in code order). Prints both times.

usage: bench/coletor/unload.py BUILD_BIN [N [ORDER]]   (default 10000 shuffled)
"""
import http.client
import json
import os
import random
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def make_register(cli, folder, codes):
    os.makedirs(folder)

    def write(name, text):
        with open(os.path.join(folder, name), 'w', encoding='cp1252', newline='') as f:
            f.write(text)
    write('ambitra.ini', '[PREFS]\r\nCSV=1\r\n')
    write('OPERADOR.CSV', '"OP1","123","ANA"\r\n')
    write('LOCAIS.CSV', ''.join(f'"{i:04d}","P01","D01","S{i:03d}"\r\n' for i in range(1, 21)))
    write('BENS.CSV', ''.join(f'"{c}","BEM {c}","{1 + int(c) % 20:04d}",,"01",,0\r\n' for c in codes))
    subprocess.run([cli, '--app-dir', folder, 'import'], check=True, capture_output=True)


def main():
    bin_dir = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    order = sys.argv[3] if len(sys.argv) > 3 else 'shuffled'
    cli = os.path.join(bin_dir, 'ambitra-cli')
    random.seed(7)
    codes = [f'{i:06d}' for i in range(1, n + 1)]
    if order == 'shuffled':
        random.shuffle(codes)
    root = tempfile.mkdtemp(prefix='bench-unload-')
    ours, peer = os.path.join(root, 'ours'), os.path.join(root, 'peer')
    make_register(cli, ours, codes)
    make_register(cli, peer, codes)

    port, setup = free_port(), free_port()
    serve = subprocess.Popen([cli, '--app-dir', ours, 'serve', '--port', str(port),
                              '--setup-port', str(setup), '--address', '127.0.0.1'],
                             stdout=subprocess.PIPE, text=True)
    code = None
    for line in serve.stdout:
        if line.startswith('Código de pareamento: '):
            code = line.split(': ')[1].strip()
            break
    context = ssl.create_default_context(cafile=os.path.join(ours, 'Certificados', 'autoridade.pem'))

    def call(path, body, token=None):
        conn = http.client.HTTPSConnection('127.0.0.1', port, context=context, timeout=600)
        headers = {'Content-Type': 'application/json'}
        if token:
            headers['Authorization'] = 'Bearer ' + token
        conn.request('POST', path, json.dumps(body).encode(), headers)
        answer = conn.getresponse()
        data = json.loads(answer.read())
        if answer.status != 200:
            raise SystemExit(f'{path}: {answer.status} {data}')
        return data

    token = call('/api/v1/pair', {'codigo': code, 'nome': 'Bancada'})['token']
    count = call('/api/v1/carga', {'locais': [f'{i:04d}' for i in range(1, 21)]}, token)['contagem']
    readings = []
    sent = random.sample(codes, len(codes)) if order == 'shuffled' else codes
    for i, c in enumerate(sent):
        place = 1 + int(c) % 20
        if i % 3 == 0:
            place = 1 + (place % 20)
        readings.append({'id': f'leitura-{i:08d}', 'BECODIGO': c, 'BELOCAL': f'{place:04d}',
                         'BESITUACAO': '02' if i % 3 == 1 else '01', 'BEULTOPE': 'ANA',
                         'BEULTINV': '2026-12-10'})
    applied = 0
    start = time.perf_counter()
    for at in range(0, len(readings), 20000):  # the API's bound per request
        answer = call('/api/v1/descarga',
                      {'contagem': count, 'leituras': readings[at:at + 20000]}, token)
        applied += sum(1 for r in answer['leituras'] if r['estado'] == 'aplicada')
    ours_s = time.perf_counter() - start
    serve.terminate()
    serve.wait()

    received = os.path.join(ours, 'Recebidos')
    peer_s = 0.0
    for name in sorted(os.listdir(received)):
        command = [cli, '--app-dir', peer, 'unload', os.path.join(received, name),
                   '--user', 'Bancada']
        print('peer:', ' '.join(command))
        start = time.perf_counter()
        subprocess.run(command, check=True, capture_output=True)
        peer_s += time.perf_counter() - start
    print(f'{n} readings, {order} ({applied} applied): API {ours_s:.2f} s   unload of the '
          f'BENS.DBF {peer_s:.2f} s   ratio {ours_s / peer_s:.2f} (target at most 2)')
    shutil.rmtree(root)


if __name__ == '__main__':
    main()
