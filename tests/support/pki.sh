#!/bin/sh
# Makes the tests' own TLS material and sign-in files in DIR:
#   ca.crt            the CA that signs everything below
#   other-ca.crt      a CA that signed nothing here (a client trusting it
#                     must refuse the broker)
#   server.crt/.key   the broker, for the name localhost only
#   expired.crt/.key  the same, but its time ran out
#   client.crt/.key   a client certificate
#   passwd            users tavrin, nosy and robot, password "s3cret pass"
#   acl               tavrin may read server/#, nosy only other/#, robot publishes
# Ends by writing DIR/pki-done ("ok" or "fail"), as broker.sh does.
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH
dir=$1
rm -f "$dir/pki-done"
make_all() {
    cd "$dir" || return 1
    days="-days 3650"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key -out ca.crt \
        -subj "/CN=Tavrin Test CA" $days -addext basicConstraints=critical,CA:TRUE 2>/dev/null || return 1
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout other-ca.key -out other-ca.crt \
        -subj "/CN=Another CA" $days 2>/dev/null || return 1
    printf 'subjectAltName=DNS:localhost\n' > server.ext
    for name in server client expired; do
        openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout $name.key -out $name.csr \
            -subj "/CN=$name" 2>/dev/null || return 1
    done
    openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt $days \
        -extfile server.ext 2>/dev/null || return 1
    openssl x509 -req -in client.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out client.crt $days 2>/dev/null || return 1
    # openssl ca alone takes dates in the past.
    mkdir -p ca-db && : > ca-db/index && echo 01 > ca-db/serial
    cat > ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = ca-db/index
serial = ca-db/serial
new_certs_dir = ca-db
default_md = sha256
policy = any
copy_extensions = none
[any]
commonName = supplied
[ext]
subjectAltName = DNS:localhost
CNF
    openssl ca -batch -config ca.cnf -cert ca.crt -keyfile ca.key -in expired.csr -out expired.crt \
        -startdate 20200101000000Z -enddate 20210101000000Z -extensions ext -notext 2>/dev/null || return 1
    : > passwd
    mosquitto_passwd -b passwd tavrin "s3cret pass" || return 1
    mosquitto_passwd -b passwd nosy "s3cret pass" || return 1
    mosquitto_passwd -b passwd robot "s3cret pass" || return 1
    printf 'user tavrin\ntopic read server/#\n\nuser nosy\ntopic read other/#\n\nuser robot\ntopic write server/#\ntopic write tavrin-test/#\n' > acl
    chmod 644 ./*.key passwd
}
if (make_all) >/dev/null 2>&1; then status=ok; else status=fail; fi
echo $status > "$dir/pki-done.tmp" && mv "$dir/pki-done.tmp" "$dir/pki-done"
