#!/bin/sh
# Writes the seed corpus for decode_field_fuzz into the folder given (created
# if needed): header values of the shapes the decoder has to handle.
set -eu
dir=${1:?usage: make_seeds.sh CORPUS_DIR}
mkdir -p "$dir"
n=0
seed() { n=$((n + 1)); printf '%b' "$1" > "$dir/seed-$n"; }
seed '=?ISO-8859-1?Q?Caf=E9?='
seed 'Re: =?utf-8?B?SGVsbG8=?= again'
seed '=?x?q?a_b?='
seed '=?x?Q?=e9?='
seed '=?x?Q?A=\r\nB?='
seed '=?x?Q?AB=4'
seed '=?a?Q?one?= =?a?Q?two?='
seed '   =?a?B?SGk=?='
seed '  Re: =?a?B?SGk=?='
seed 'Plain subject\r\n'
seed '=?x?Q?=E9t'
seed '=?x?B?SGVsbG9Q?= tail'
seed '=?utf-8?X?abc?='
seed '=?windows-1252?B?SGVsbG8gV29ybGQgLSB0aGlzIGlzIGEgdmVyeSBsb25nIHN1YmplY3QgY3V0IGF0IHNp'
seed '=?iso-8859-2?Q?P=F8=EDli=B9_=BElu=BBou=E8k=FD_k=F9=F2     '
seed '=?x?Q??='
seed '=?x?B??='
seed '=?x?B?=abc?='
seed 'Fwd: =?utf-8?b?w6nDqMOg?= (was: =?utf-8?q?x?=)'
seed '=?=?Q?B?Q?=?=\r'
