"""A throwaway certificate authority and a server certificate it signed (for 127.0.0.1 only),
made with the openssl command line in a folder of the test's, for the wss:// tests of every
client. Run as a script it makes them in the folder given and prints their paths as JSON."""
import base64
import json
import os
import subprocess
import sys


def _openssl(*args, stdin=None):
    return subprocess.run(['openssl'] + list(args), input=stdin, check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60).stdout


def make_certs(folder, names='IP:127.0.0.1'):
    """{ca, cert, key, spki}: PEM paths, and the base64 SHA-256 of the certificate's public key
    (what Chromium's --ignore-certificate-errors-spki-list takes)."""
    os.makedirs(folder, exist_ok=True)
    path = {k: os.path.join(folder, k + '.pem') for k in ('ca', 'ca-key', 'cert', 'key', 'csr')}
    _openssl('req', '-x509', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1',
             '-nodes', '-keyout', path['ca-key'], '-out', path['ca'], '-days', '2',
             '-subj', '/CN=kokurin test authority',
             '-addext', 'basicConstraints=critical,CA:TRUE',
             '-addext', 'keyUsage=critical,keyCertSign')
    _openssl('req', '-newkey', 'ec', '-pkeyopt', 'ec_paramgen_curve:prime256v1', '-nodes',
             '-keyout', path['key'], '-out', path['csr'], '-subj', '/CN=kokurin test server')
    extensions = os.path.join(folder, 'server.ext')
    with open(extensions, 'w') as f:
        f.write('subjectAltName=%s\nextendedKeyUsage=serverAuth\n'
                'basicConstraints=CA:FALSE\n' % names)
    _openssl('x509', '-req', '-in', path['csr'], '-CA', path['ca'], '-CAkey', path['ca-key'],
             '-CAcreateserial', '-out', path['cert'], '-days', '2', '-extfile', extensions)
    public = _openssl('x509', '-pubkey', '-noout', '-in', path['cert'])
    der = _openssl('pkey', '-pubin', '-outform', 'der', stdin=public)
    import hashlib
    spki = base64.b64encode(hashlib.sha256(der).digest()).decode()
    return {'ca': path['ca'], 'cert': path['cert'], 'key': path['key'], 'spki': spki}


if __name__ == '__main__':
    print(json.dumps(make_certs(sys.argv[1])))
