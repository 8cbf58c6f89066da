-- The sample shop: "Lanchonete Boa Praça", branch 01, store 01, till 001. Loaded on top
-- of the module's schema (srv/schema), PRECOHOST (host/schema) and host.sql, into SQLite
-- or PostgreSQL alike. Product codes: 1xxx sandwiches, 2xxx drinks, 3xxx desserts,
-- 4xxx sides, 5xxx sauces and extras, 6xxx kids, 7xxx açaí, 9xxx the combos. 9006 is a
-- combo chosen inside another, 9005.

INSERT INTO FILIAL (CDFILIAL, CDEMPRESA, NMFILIAL) VALUES ('01', '01', 'Lanchonete Boa Praça - Centro');
INSERT INTO PARAMEMPRESA (CDEMPRESA, CDSITUCRT) VALUES ('01', '3');
-- Discount coupons are in use; products whose price is zero or refused are still listed.
INSERT INTO PARAMGERAL (CDPARAMGERAL, IDUTCUPOMDESC) VALUES ('01', 'S');
INSERT INTO PARAVEND (CDFILIAL, IDEXIBEPRECZERO) VALUES ('01', 'S');

INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, NMPRODIMPFIS, CDARVPROD, IDPESAPROD, SGUNIDADE, QTTARAPROD, CDBARPRODUTO, IDIMPPRODUTO, CDCLASFISC, CDREGRAFISPDV) VALUES
('1001', 'X-Burger',            NULL, '512011001', 'N', 'UN', 0, '7890000010014', '0', '21069090', NULL),
('1002', 'X-Salada',            NULL, '512011002', 'N', 'UN', 0, '7890000010021', '0', '21069090', NULL),
('1003', 'X-Bacon',             NULL, '512011003', 'N', 'UN', 0, '7890000010038', '0', '21069090', NULL),
('1004', 'X-Egg',               NULL, '512011004', 'N', 'UN', 0, '7890000010045', '0', '21069090', NULL),
('1005', 'X-Tudo',              NULL, '512011005', 'N', 'UN', 0, '7890000010052', '0', '21069090', NULL),
('1006', 'Cheddar Duplo',       NULL, '512011006', 'N', 'UN', 0, '7890000010069', '0', '21069090', NULL),
('1007', 'Frango Crocante',     NULL, '512011007', 'N', 'UN', 0, '7890000010076', '0', '21069090', NULL),
('1008', 'Lanche Vegano',       NULL, '512011008', 'N', 'UN', 0, '7890000010083', '0', NULL,       NULL),
('1009', 'Misto Quente',        NULL, '512011009', 'N', 'UN', 0, '7890000010090', '0', '21069090', NULL),
('1010', 'Hot Dog Especial',    NULL, '512011010', 'N', 'UN', 0, '7890000010106', '0', '21069090', NULL),
('1011', 'Bauru',               NULL, '512011011', 'N', 'UN', 0, '7890000010113', '0', '21069090', NULL),
('1012', 'Beirute de Filé',     NULL, '512011012', 'N', 'UN', 0, '7890000010120', '0', '21069090', NULL),
('1013', 'Picanha Burger',      NULL, '512011013', 'N', 'UN', 0, '7890000010137', '0', '21069090', NULL),
('2001', 'Refrigerante Lata',   NULL, '512022001', 'N', 'UN', 0, '7890000020013', '0', '22021000', NULL),
('2002', 'Suco de Laranja',     NULL, '512022002', 'N', 'UN', 0, '7890000020020', '0', '20091200', NULL),
('2003', 'Água Mineral',        NULL, '512022003', 'N', 'UN', 0, '7890000020037', '0', '22011000', NULL),
('2004', 'Chá Gelado',          NULL, '512022004', 'N', 'UN', 0, '7890000020044', '0', '22029900', NULL),
('2005', 'Cerveja Long Neck',   NULL, '512022005', 'N', 'UN', 0, '7890000020051', '0', '22030000', NULL),
('2006', 'Milk-shake da Tarde', NULL, '512022006', 'N', 'UN', 0, '7890000020068', '0', '21050010', NULL),
('3001', 'Sorvete de Creme',    NULL, '512033001', 'N', 'UN', 0, '7890000030012', '0', '21050010', NULL),
('3002', 'Pudim de Leite',      NULL, '512033002', 'N', 'UN', 0, '7890000030029', '0', '21069090', NULL),
('3003', 'Brownie',             NULL, '512033003', 'N', 'UN', 0, '7890000030036', '0', '19059090', NULL),
('3004', 'Petit Gâteau',        NULL, '512033004', 'N', 'UN', 0, '7890000030043', '0', '19059090', NULL),
('4001', 'Batata Frita',        NULL, '512044001', 'N', 'UN', 0, '7890000040011', '0', '20052000', NULL),
('4002', 'Batata Rústica',      NULL, '512044002', 'N', 'UN', 0, '7890000040028', '0', '20052000', NULL),
('4101', 'Salada Verde',        NULL, '512044101', 'N', 'UN', 0, '7890000041018', '0', '21069090', NULL),
('4102', 'Salada Caesar',       NULL, '512044102', 'N', 'UN', 0, '7890000041025', '0', '21069090', NULL),
('4201', 'Batata Família',      NULL, '512044201', 'N', 'UN', 0, '7890000042015', '0', '20052000', NULL),
('4202', 'Anéis de Cebola',     NULL, '512044202', 'N', 'UN', 0, '7890000042022', '0', '20052000', NULL),
('5001', 'Ketchup',             NULL, '512055001', 'N', 'UN', 0, '7890000050010', '0', '21032010', NULL),
('5002', 'Mostarda',            NULL, '512055002', 'N', 'UN', 0, '7890000050027', '0', '21033010', NULL),
('5003', 'Maionese da Casa',    NULL, '512055003', 'N', 'UN', 0, '7890000050034', '0', '21039011', NULL),
('5004', 'Barbecue',            NULL, '512055004', 'N', 'UN', 0, '7890000050041', '0', '21039091', NULL),
('5101', 'Bacon Extra',         NULL, '512055101', 'N', 'UN', 0, '7890000051017', '0', '16024900', NULL),
('5102', 'Queijo Extra',        NULL, '512055102', 'N', 'UN', 0, '7890000051024', '0', '04069090', NULL),
('5103', 'Ovo',                 NULL, '512055103', 'N', 'UN', 0, '7890000051031', '0', '04072100', NULL),
('6001', 'Mini Burger',         NULL, '512066001', 'N', 'UN', 0, '7890000060019', '0', '21069090', NULL),
('6002', 'Nuggets (6 un.)',     NULL, '512066002', 'N', 'UN', 0, '7890000060026', '0', '16023220', NULL),
('6101', 'Suco de Uva Kids',    NULL, '512066101', 'N', 'UN', 0, '7890000061016', '0', '20096100', NULL),
('6102', 'Achocolatado',        NULL, '512066102', 'N', 'UN', 0, '7890000061023', '0', '19019090', NULL),
('6201', 'Carrinho',            NULL, '512066201', 'N', 'UN', 0, '7890000062013', '0', '95030010', NULL),
('6202', 'Boneca',              NULL, '512066202', 'N', 'UN', 0, '7890000062020', '0', '95030021', NULL),
('7001', 'Açaí no Peso',        NULL, '512077001', 'S', 'KG', 0.032, '7890000070018', '0', '20079990', NULL),
('7101', 'Granola',             NULL, '512077101', 'N', 'UN', 0, '7890000071015', '0', '19042000', NULL),
('7102', 'Leite em Pó',         NULL, '512077102', 'N', 'UN', 0, '7890000071022', '0', '04022110', NULL),
('7103', 'Banana',              NULL, '512077103', 'N', 'UN', 0, '7890000071039', '0', '08039000', NULL),
('7104', 'Morango',             NULL, '512077104', 'N', 'UN', 0, '7890000071046', '0', '08101000', NULL),
('7105', 'Paçoca',              NULL, '512077105', 'N', 'UN', 0, '7890000071053', '0', '17049020', NULL),
('9001', 'COMBO FAMÍLIA',       NULL, '512099001', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9002', 'MONTE SEU COMBO',     NULL, '512099002', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9003', 'COMBO KIDS',          NULL, '512099003', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9004', 'COMBO AÇAÍ',          NULL, '512099004', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9005', 'COMBO EM DOBRO',      NULL, '512099005', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9006', 'COMBO DOCE',          NULL, '512099006', 'N', 'UN', 0, NULL, '0', '21069090', NULL),
('9007', 'COMBO HAPPY HOUR',    NULL, '512099007', 'N', 'UN', 0, NULL, '0', '21069090', NULL);

INSERT INTO GRUPROMOC (CDGRUPROMOC, NMGRUPROMOC) VALUES
('LANCHES',    'Lanches'),
('BEBIDAS',    'Bebidas'),
('SOBREMESAS', 'Sobremesas'),
('ACOMPFAM',   'Acompanhamento'),
('MOLHOS',     'Molhos'),
('ADICIONAIS', 'Adicionais'),
('BATATAS',    'Batatas'),
('SALADAS',    'Saladas'),
('LANCHEKIDS', 'Lanche Kids'),
('BEBIDAKIDS', 'Bebida Kids'),
('BRINQUEDO',  'Brinquedo'),
('ACAI',       'Açaí'),
('COBERTURAS', 'Coberturas'),
('COMBODOCE',  'Combo Doce'),
('CERVEJAS',   'Cervejas');

INSERT INTO PRODGRUPROMOC (CDGRUPROMOC, CDPRODUTO) VALUES
('LANCHES', '1001'), ('LANCHES', '1002'), ('LANCHES', '1003'), ('LANCHES', '1004'),
('LANCHES', '1005'), ('LANCHES', '1006'), ('LANCHES', '1007'), ('LANCHES', '1008'),
('LANCHES', '1009'), ('LANCHES', '1010'), ('LANCHES', '1011'), ('LANCHES', '1012'),
('LANCHES', '1013'),
('BEBIDAS', '2001'), ('BEBIDAS', '2002'), ('BEBIDAS', '2003'), ('BEBIDAS', '2004'),
('BEBIDAS', '2005'), ('BEBIDAS', '2006'),
('SOBREMESAS', '3001'), ('SOBREMESAS', '3002'), ('SOBREMESAS', '3003'), ('SOBREMESAS', '3004'),
('ACOMPFAM', '4201'), ('ACOMPFAM', '4202'),
('MOLHOS', '5001'), ('MOLHOS', '5002'), ('MOLHOS', '5003'), ('MOLHOS', '5004'),
('ADICIONAIS', '5101'), ('ADICIONAIS', '5102'), ('ADICIONAIS', '5103'),
('BATATAS', '4001'), ('BATATAS', '4002'),
('SALADAS', '4101'), ('SALADAS', '4102'),
('LANCHEKIDS', '6001'), ('LANCHEKIDS', '6002'),
('BEBIDAKIDS', '6101'), ('BEBIDAKIDS', '6102'),
('BRINQUEDO', '6201'), ('BRINQUEDO', '6202'),
('ACAI', '7001'),
('COBERTURAS', '7101'), ('COBERTURAS', '7102'), ('COBERTURAS', '7103'), ('COBERTURAS', '7104'),
('COBERTURAS', '7105'),
('COMBODOCE', '9006'),
('CERVEJAS', '2005');

-- The groups of each combo: quantity to choose, minimum, display order, exclusive set,
-- whether the group takes the promotion discount, prints on its own, combines products.
INSERT INTO GRUPROMOCPROD (CDPRODPROMOCAO, CDGRUPROMOC, NRSEQGRPROMO, QTPRGRUPPROMOC, QTPRGRUPROMIN, NRORDPROMOGRUP, CDGRUPMUTEX, IDAPLICADESC, IDIMPGRPROMO, IDCOMBINAPROD, DTINIVGGRPROMO, DTFINVGGRPROMO) VALUES
-- COMBO FAMÍLIA: a fixed price; two sandwiches, the family fries (obligatory and chosen
-- in advance), two drinks, two desserts, one to three sauces and optional extras.
('9001', 'LANCHES',    1, 2, 2, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9001', 'ACOMPFAM',   1, 1, 1, 2, NULL, 'S', 'N', 'N', NULL, NULL),
('9001', 'BEBIDAS',    1, 2, 2, 3, NULL, 'S', 'N', 'N', NULL, NULL),
('9001', 'SOBREMESAS', 1, 2, 2, 4, NULL, 'S', 'N', 'N', NULL, NULL),
('9001', 'MOLHOS',     1, 3, 1, 5, NULL, 'S', 'N', 'N', NULL, NULL),
('9001', 'ADICIONAIS', 1, 0, 0, 6, NULL, 'N', 'S', 'N', NULL, NULL),
-- MONTE SEU COMBO: priced from its products; fries or salad, never both.
('9002', 'LANCHES',    1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9002', 'BEBIDAS',    1, 1, 1, 2, NULL, 'S', 'N', 'N', NULL, NULL),
('9002', 'BATATAS',    1, 1, 1, 3, 'M1', 'S', 'N', 'N', NULL, NULL),
('9002', 'SALADAS',    1, 1, 1, 4, 'M1', 'S', 'N', 'N', NULL, NULL),
('9002', 'ADICIONAIS', 1, 0, 0, 5, NULL, 'S', 'N', 'N', NULL, NULL),
-- COMBO KIDS: a fixed price with 10 % off.
('9003', 'LANCHEKIDS', 1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9003', 'BEBIDAKIDS', 1, 1, 1, 2, NULL, 'S', 'N', 'N', NULL, NULL),
('9003', 'BRINQUEDO',  1, 1, 1, 3, NULL, 'S', 'N', 'N', NULL, NULL),
-- COMBO AÇAÍ: açaí weighed on the scale and up to three toppings.
('9004', 'ACAI',       1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9004', 'COBERTURAS', 1, 3, 0, 2, NULL, 'S', 'N', 'N', NULL, NULL),
-- COMBO EM DOBRO: priced from its products; a sandwich and COMBO DOCE, itself a combo of
-- a drink and a dessert, composed on the add screen and sold as one set.
('9005', 'LANCHES',    1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9005', 'COMBODOCE',  1, 1, 1, 2, NULL, 'S', 'N', 'N', NULL, NULL),
('9006', 'BEBIDAS',    1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9006', 'SOBREMESAS', 1, 1, 1, 2, NULL, 'S', 'N', 'N', NULL, NULL),
-- COMBO HAPPY HOUR, deliberately broken and kept off the menu for the promotion audit:
-- its only beer is blocked at the branch, so no operator can complete it.
('9007', 'LANCHES',    1, 1, 1, 1, NULL, 'S', 'N', 'N', NULL, NULL),
('9007', 'CERVEJAS',   1, 2, 2, 2, NULL, 'S', 'N', 'N', NULL, NULL);

-- Product settings inside a combo: order, discount or surcharge, obligatory, pre-selected.
INSERT INTO DESGRUPROMOCPR (CDPRODPROMOCAO, CDGRUPROMOC, CDPRODUTO, NRSEQGRPROMO, IDPERVALORDES, VRDESPRODPROMOC, IDAPLICADESCPR, IDDESCACRPROMO, NRORDPROMOPR, IDOBRPRODSELEC, IDPRODPRESELEC) VALUES
('9001', 'ACOMPFAM', '4201', 1, NULL, 0, NULL, NULL, 1, 'S', 'S'),
('9001', 'LANCHES',  '1001', 1, NULL, 0, NULL, NULL, 1, 'N', 'N'),
('9001', 'LANCHES',  '1002', 1, NULL, 0, NULL, NULL, 2, 'N', 'N'),
('9002', 'BEBIDAS',  '2002', 1, 'V', 1.00, 'T', 'D', 1, 'N', 'N'),
('9002', 'LANCHES',  '1009', 1, 'P', 10,   'T', 'D', NULL, 'N', 'N'),
('9002', 'LANCHES',  '1013', 1, 'V', 3.00, 'T', 'A', NULL, 'N', 'N');

INSERT INTO ITMENUCONFTE (CDFILIAL, NRCONFTELA, IDTPBUTTON, CDIDENTBUTON, CDATAPRODITM) VALUES
('01', 1, '1', '1001', '11'),
('01', 1, '1', '1002', '12'),
('01', 1, '1', '1003', '13'),
('01', 1, '1', '2001', '21'),
('01', 1, '1', '2002', '22');

-- Preparation notes as shops store them: RTF, plain text and HTML.
INSERT INTO DESCROTEIRO (CDPRODUTO, TXROTFAB) VALUES
('9001', '{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}}{\colortbl ;\red204\green0\blue0;}\f0\fs18 \b Montagem:\b0  lanches no centro da bandeja, batata fam\''edlia ao lado. \cf1 Molhos em sach\''eas separados\cf0 ; sobremesa s\''f3 na entrega.\par}'),
('9002', 'Monte o lanche na hora. Bebida gelada, batata ou salada à parte.'),
('9003', '<p>Entregar o <b>brinquedo</b> junto com o lanche; canudo <i>sem</i> embalagem plástica.</p>');

-- Occurrences the kitchen understands; "Com bacon extra" books a bacon as a controlled
-- observation.
INSERT INTO GRUPOCOR (CDGRPOCOR, NMGRPOCOR) VALUES ('01', 'Preparo');
INSERT INTO LOJA (CDFILIAL, CDLOJA, NMLOJA, CDGRPOCORPED) VALUES ('01', '01', 'Salão', '01');
INSERT INTO OCORRENCIA (CDGRPOCOR, CDOCORR, CDTIPRISCO, DSOCORR, CDPRODUTO, IDCONTROLAOBS) VALUES
('01', '01', NULL, 'Sem cebola',      NULL,   'N'),
('01', '02', NULL, 'Sem tomate',      NULL,   'N'),
('01', '03', NULL, 'Bem passado',     NULL,   'N'),
('01', '04', NULL, 'Com bacon extra', '5101', 'A');
INSERT INTO PRODOCORRE (CDPRODUTO, CDGRPOCOR, CDOCORR) VALUES
('1001', '01', '01'), ('1001', '01', '02'), ('1001', '01', '03'), ('1001', '01', '04'),
('1002', '01', '01'), ('1002', '01', '02'), ('1002', '01', '03'), ('1002', '01', '04'),
('1003', '01', '01'), ('1003', '01', '03'),
('1005', '01', '01'), ('1005', '01', '02'), ('1005', '01', '03'),
('1006', '01', '01'), ('1006', '01', '03'), ('1006', '01', '04'),
('1013', '01', '01'), ('1013', '01', '03'), ('1013', '01', '04');

-- Taxes: every product at 18 % ICMS with complete invoice data, except the vegan
-- sandwich, which has no NCM (PRODUTO.CDCLASFISC) and cannot go on an electronic receipt.
INSERT INTO IMPOSTO (CDIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO, NMIMPOSTO, SGIMPOSTO) VALUES
('T18', 'T', '01', 'ICMS 18%', 'T18');
INSERT INTO ALIQIMPFIS (CDFILIAL, CDPRODUTO, CDIMPOSTO, VRPEALIMPFIS, CDCSTICMS, CDCSTPISCOF, CDCFOPPFIS, VRALIQPIS, VRALIQCOFINS, IDTPIMPOSFIS)
SELECT '01', CDPRODUTO, 'T18', 18, '00', '01', '5102', 1.65, 7.6, 'T' FROM PRODUTO;

-- A campaign running every day, all day: X-Burger with orange juice, 10 % off both.
INSERT INTO CAMPANHAPROMO (CDCAMPPROMO, NMCAMPPROMO, DTINIVGCAMP, DTFINVGCAMP, HRINICAMP, HRFINCAMP, IDDIADOMINGO, IDDIASEGUNDA, IDDIATERCA, IDDIAQUARTA, IDDIAQUINTA, IDDIASEXTA, IDDIASABADO, CDTIPOCONS, CDCLIENTE) VALUES
('CAMP01', 'Burger com suco', '2020-01-01 00:00:00', '2099-12-31 23:59:59', '0000', '2359', 'S', 'S', 'S', 'S', 'S', 'S', 'S', NULL, NULL);
INSERT INTO COMBINAPROD (CDCAMPPROMO, CDPRODPRIN, CDPRODCOMB, CDPRODCOMB2, CDPRODCOMB4, CDPRODCOMB3, CDPRODCOMBOPC, IDPERCVALOR, IDDESCACRE, VRDESCACRE, IDAPLICADESACR, HRINICOMB, HRFINCOMB, IDDIADOMCOMB, IDDIASEGCOMB, IDDIATERCOMB, IDDIAQUACOMB, IDDIAQUICOMB, IDDIASEXCOMB, IDDIASABCOMB) VALUES
('CAMP01', '1001', '2002', NULL, NULL, NULL, NULL, 'P', 'D', 10, '4', '0000', '2359', 'S', 'S', 'S', 'S', 'S', 'S', 'S');

-- Coupons: 10 % on sandwiches at this branch, R$ 5,00 once per sale on three of them,
-- and one that expired.
INSERT INTO CUPOMDESCQMT (CDCUPOMDESCQMT, IDTIPODESC, VRDESCCUPOM, DTINIVIGENCIA, DTFIMVIGENCIA, IDUSOUNICO) VALUES
('CUPOM10', 'P', 10,   '2020-01-01 00:00:00', '2099-12-31 23:59:59', 'N'),
('CUPOM5',  'V', 5.00, '2020-01-01 00:00:00', '2099-12-31 23:59:59', 'S'),
('VENCIDO', 'P', 50,   '2020-01-01 00:00:00', '2020-12-31 23:59:59', 'N');
INSERT INTO PRODCUPOMDESC (CDCUPOMDESCQMT, CDPRODUTO)
SELECT 'CUPOM10', CDPRODUTO FROM PRODUTO WHERE CDPRODUTO BETWEEN '1001' AND '1013';
INSERT INTO PRODCUPOMDESC (CDCUPOMDESCQMT, CDPRODUTO) VALUES
('CUPOM5', '1001'), ('CUPOM5', '1003'), ('CUPOM5', '1006'), ('VENCIDO', '1001');
INSERT INTO FILIALCUPOMDESC (CDCUPOMDESCQMT, CDFILIAL) VALUES ('CUPOM10', '01');

-- Prices of the host's price function. The beer is blocked; the milk-shake sells only
-- between 15:00 and 17:00.
INSERT INTO PRECOHOST (CDFILIAL, CDPRODUTO, CDLOJA, CDCLIENTE, VRPRECO, VRDESCONTO, VRACRESCIMO, IDPERCVALOR, IDBLOQUEADO, HRINIVENDA, HRFIMVENDA, DTINIVIGENCIA, DTFIMVIGENCIA) VALUES
('01', '1001', '', '', 18.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1002', '', '', 19.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1003', '', '', 22.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1004', '', '', 19.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1005', '', '', 26.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1006', '', '', 24.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1007', '', '', 21.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1008', '', '', 23.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1009', '', '', 12.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1010', '', '', 14.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1011', '', '', 17.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1012', '', '', 25.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '1013', '', '', 29.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '2001', '', '',  6.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '2002', '', '',  8.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '2003', '', '',  4.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '2004', '', '',  7.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '2005', '', '', 12.00, 0, 0, 'V', 'S', NULL, NULL, NULL, NULL),
('01', '2006', '', '', 15.90, 0, 0, 'V', 'N', '1500', '1700', NULL, NULL),
('01', '3001', '', '',  9.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '3002', '', '',  8.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '3003', '', '', 10.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '3004', '', '', 16.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4001', '', '', 11.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4002', '', '', 13.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4101', '', '', 12.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4102', '', '', 16.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4201', '', '', 19.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '4202', '', '', 15.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5001', '', '',  1.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5002', '', '',  1.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5003', '', '',  2.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5004', '', '',  2.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5101', '', '',  4.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5102', '', '',  3.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '5103', '', '',  2.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6001', '', '', 14.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6002', '', '', 13.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6101', '', '',  5.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6102', '', '',  5.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6201', '', '',  9.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '6202', '', '',  9.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7001', '', '', 59.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7101', '', '',  2.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7102', '', '',  2.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7103', '', '',  2.00, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7104', '', '',  2.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '7105', '', '',  2.50, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL),
('01', '9006', '', '', 16.90, 0, 0, 'V', 'N', NULL, NULL, NULL, NULL);

-- The point of sale's menu of combos.
INSERT INTO COMBOHOST (CDPRODUTO, NRORDEM, IDTIPOPRECO, VRPRECO, IDTIPOAJUSTE, IDVALORPERC, VRAJUSTE, IDAPLICAAJUSTE, DSCOMBO) VALUES
('9001', 1, '1', 89.90, NULL, NULL, 0,    'N', '2 lanches, batata família, 2 bebidas, 2 sobremesas e molhos'),
('9002', 2, '2',  0,    NULL, NULL, 0,    'N', 'Lanche, bebida e batata ou salada, pelo preço de cada um'),
('9003', 3, '1', 34.90, 'D',  'P',  10,   'S', 'Lanche, bebida e brinquedo com 10% de desconto'),
('9004', 4, '1', 24.90, 'D',  'V',  2.00, 'S', 'Açaí na balança e até três coberturas'),
('9005', 5, '2',  0,    NULL, NULL, 0,    'N', 'Lanche e o Combo Doce: bebida e sobremesa');

-- Products with a picture; the others show the shop's default picture.
INSERT INTO FOTOHOST (CDPRODUTO, CDCOR) VALUES
('1001', '#C0392B'), ('1002', '#27AE60'), ('1003', '#A0522D'), ('1005', '#D35400'),
('1006', '#E67E22'), ('1007', '#B9770E'), ('1008', '#229954'), ('1009', '#AF601A'),
('1010', '#CB4335'), ('1012', '#7E5109'), ('1013', '#922B21'),
('2001', '#2E86C1'), ('2002', '#F39C12'), ('2003', '#5DADE2'), ('2005', '#B7950B'),
('2006', '#EC7063'),
('3001', '#F5CBA7'), ('3002', '#DC7633'), ('3003', '#6E2C00'), ('3004', '#512E5F'),
('4001', '#F1C40F'), ('4002', '#D4AC0D'), ('4101', '#58D68D'), ('4102', '#45B39D'),
('4201', '#F4D03F'), ('4202', '#CA6F1E'),
('5001', '#E74C3C'), ('5002', '#F7DC6F'), ('5003', '#FDEBD0'), ('5004', '#784212'),
('5101', '#A93226'), ('5102', '#F9E79F'),
('6001', '#E59866'), ('6002', '#F0B27A'), ('6101', '#8E44AD'), ('6102', '#6E2C00'),
('6201', '#3498DB'), ('6202', '#F1948A'),
('7001', '#5B2C6F'), ('7101', '#D0B084'), ('7103', '#F7DC6F'), ('7104', '#E74C3C'),
('7105', '#C39B77'), ('9006', '#884EA0');
