#!/usr/bin/python3
"""Device-side benchmark of the handheld app in headless Chromium: serves the
app's files and a generated load of N assets on loopback (a secure context), then
times (1) the app's load into IndexedDB beside a bare bulk insert of the same
records in the same run and (2) the median time from a scan to the reading shown
with the N assets loaded.

    bench/coletor/run.py [--assets 100000] [--scans 300]"""

import argparse
import http.server
import json
import os
import statistics
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
WEB = os.path.join(HERE, '..', '..', 'web', 'coletor')
TYPES = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
         '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json'}


def load(n):
    """A load as the desktop answers it: 100 locations, n assets spread over them."""
    locais = [[f'{i:04d}', 'P01', 'D01', f'S{i:03d}'] for i in range(1, 101)]
    linhas = [[f'{7890000000000 + i:013d}', f'BEM {i:06d}', f'{i % 100 + 1:04d}', 'FABRICANTE', '01',
               f'S{i}'] for i in range(n)]
    return {'contagem': 1, 'codificacao': 0,
            'operadores': [{'codigo': 'OP1', 'nome': 'ANA', 'sal': '00', 'iteracoes': 1, 'hash': None}],
            'status': [['01', 'BOM'], ['02', 'REGULAR']], 'locais': locais,
            'bens': {'campos': ['BECODIGO', 'BENOME', 'BELOCAL', 'BEFABRICA', 'BESITUACAO', 'BENSERIE'],
                     'linhas': linhas}}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--assets', type=int, default=100000)
    parser.add_argument('--scans', type=int, default=300)
    parser.add_argument('--rounds', type=int, default=3)
    args = parser.parse_args()
    body = json.dumps(load(args.assets)).encode()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *a):
            pass

        def answer(self, data, kind):
            self.send_response(200)
            self.send_header('Content-Type', kind)
            self.send_header('Content-Length', str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_POST(self):
            self.rfile.read(int(self.headers.get('Content-Length', '0')))
            self.answer(body, 'application/json')

        def do_GET(self):
            path = self.path.split('?')[0]
            if path.startswith('/bench/'):
                file = os.path.join(HERE, path[len('/bench/'):])
            else:
                file = os.path.join(WEB, 'index.html' if path == '/' else path.lstrip('/'))
            if '..' in path or not os.path.isfile(file):
                self.send_response(404)
                self.send_header('Content-Length', '0')
                self.end_headers()
                return
            with open(file, 'rb') as f:
                self.answer(f.read(), TYPES.get(os.path.splitext(file)[1], 'application/octet-stream'))

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f'http://127.0.0.1:{server.server_address[1]}'

    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--window-size=360,740',
                 f'--user-data-dir={tempfile.mkdtemp(prefix="ambitra-bench-")}'):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    driver.set_script_timeout(600)
    try:
        driver.get(f'{base}/bench/bench.html')
        measured = driver.execute_async_script(
            'window.medirCarga(arguments[0]).then(arguments[arguments.length - 1])', args.rounds)
        driver.get(f'{base}/')
        driver.execute_script('return 1')
        import time
        deadline = time.monotonic() + 60
        while driver.execute_script('return document.body.dataset.tela') != 'leitura':
            if time.monotonic() > deadline:
                raise SystemExit('the app did not open the count screen')
            time.sleep(0.1)
        driver.execute_script(
            'const s = document.createElement("script"); s.type = "module"; s.src = "/bench/bench.js";'
            'document.head.append(s)')
        while not driver.execute_script('return !!window.medirLeituras'):
            time.sleep(0.05)
        step = max(1, args.assets // args.scans)
        codes = [f'{7890000000000 + i:013d}' for i in range(0, args.assets, step)][:args.scans]
        times = driver.execute_async_script(
            'window.medirLeituras(arguments[0]).then(arguments[arguments.length - 1])', codes)
    finally:
        driver.quit()
        server.shutdown()

    print(f'assets loaded: {measured["bens"]}')
    for i, r in enumerate(measured['resultados'], 1):
        print(f'round {i}: app load {r["total"]:.0f} ms end to end (fetch+parse {r["rede"]:.0f} ms, '
              f'store {r["armazenar"]:.0f} ms); bare bulk insert {r["simples"]:.0f} ms; '
              f'store/bare {r["armazenar"] / r["simples"]:.2f}')
    times.sort()
    print(f'scan to shown ({len(times)} scans): median {statistics.median(times):.1f} ms, '
          f'p90 {times[int(len(times) * 0.9)]:.1f} ms, max {times[-1]:.1f} ms')
    return 0


if __name__ == '__main__':
    sys.exit(main())
