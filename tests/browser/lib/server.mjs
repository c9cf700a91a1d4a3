// A small static file server on 127.0.0.1 for the fixture sites.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

// No character set in the headers: as on many hosts, the page's own
// declaration decides how the page and its scripts are read.
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.png': 'image/png' };

export async function serve(root) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const file = path.join(root, path.normalize(decodeURIComponent(url.pathname)).replace(/^(\.\.[/\\])+/, ''));
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404, { 'content-type': 'text/plain' });
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'content-type': TYPES[path.extname(file)] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Debian's nginx serving root on 127.0.0.1, as a static host would (for
// benchmarks, so that the server does not share the event loop that drives
// the browser). Resolves to null when nginx is not installed.
export async function serveNginx(root) {
  const bin = ['/usr/sbin/nginx', '/usr/bin/nginx'].find((p) => fs.existsSync(p));
  if (!bin) return null;
  const { spawn } = await import('node:child_process');
  const net = await import('node:net');
  const os = await import('node:os');
  const port = await new Promise((resolve) => {
    const probe = net.createServer().listen(0, '127.0.0.1', () => {
      const { port: p } = probe.address();
      probe.close(() => resolve(p));
    });
  });
  const prefix = fs.mkdtempSync(path.join(os.tmpdir(), 'duvra-nginx-'));
  fs.writeFileSync(path.join(prefix, 'nginx.conf'), `daemon off;
master_process off;
error_log ${prefix}/error.log;
pid ${prefix}/nginx.pid;
events { worker_connections 64; }
http {
  types { text/html html; text/javascript js; image/png png; }
  default_type application/octet-stream;
  access_log off;
  client_body_temp_path ${prefix}; proxy_temp_path ${prefix}; fastcgi_temp_path ${prefix};
  uwsgi_temp_path ${prefix}; scgi_temp_path ${prefix};
  server { listen 127.0.0.1:${port}; root ${root}; }
}
`);
  const child = spawn(bin, ['-p', prefix, '-c', path.join(prefix, 'nginx.conf')], { stdio: 'ignore' });
  for (let tries = 0; ; tries++) {
    const up = await new Promise((resolve) => {
      const s = net.connect(port, '127.0.0.1', () => { s.destroy(); resolve(true); });
      s.on('error', () => resolve(false));
    });
    if (up) break;
    if (tries > 100 || child.exitCode !== null) {
      child.kill('SIGKILL');
      throw new Error(`nginx did not start: ${fs.readFileSync(path.join(prefix, 'error.log'), 'utf8')}`);
    }
    await new Promise((r) => setTimeout(r, 50));
  }
  return {
    url: `http://127.0.0.1:${port}/`,
    close: () => new Promise((resolve) => {
      child.once('exit', () => { fs.rmSync(prefix, { recursive: true, force: true }); resolve(); });
      child.kill('SIGTERM');
    }),
  };
}
