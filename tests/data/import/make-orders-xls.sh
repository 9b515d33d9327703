#!/usr/bin/env bash
# Makes orders.xls, the Excel 97-2003 sample of tst_import: the same sheet as
# the test's other formats (a title block, Bulgarian headers, Cyrillic
# texts, decimal commas kept as text, dates as local text, ISO text and a
# day number), typed by LibreOffice's CSV import in the en-US locale and
# saved as .xls. Run it from this folder when the sample changes.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/orders.csv" <<'CSV'
Поръчки на магазина, 2024
;
Доставчик;Артикул;batch;Поръчани;Delivered;defectbr;Покупна цена;Money;date;Цвят;Бележки;Склад
Иванов ООД;Рокля;B1;10;;;12.5;125;05.03.2024;червен;"  first ";A
Petrov;Shirt;;3;;;0,3333;0,9999;2024-03-06;blue
;
Иванов ООД;Пола;B1;10;8;2;2.5;99;45358
Petrov;Coat;TOOLONGB;1;;;1;;
Petrov;;B1;1;;;1
CSV
# Semicolons, double quotes, UTF-8 (76), from row 1, en-US (1033), quoted fields as text.
soffice --headless -env:UserInstallation=file://$work/profile \
  --infilter="CSV:59,34,76,1,,1033,true" --convert-to xls:"MS Excel 97" --outdir "$work" "$work/orders.csv" >/dev/null
cp "$work/orders.xls" "$(dirname "$0")/orders.xls"
