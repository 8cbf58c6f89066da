-- Prices of the reference host's price function, one row per branch and product, with
-- optional rows for one store or one customer that take precedence over the branch row.
-- An empty CDLOJA or CDCLIENTE means "every store" or "every customer".
-- Discount and surcharge are money, or percentages of VRPRECO when IDPERCVALOR is 'P'.
-- Sale hours are 'HHMM' texts (a window may cross midnight: 2200 to 0200); validity dates
-- are 'YYYY-MM-DD' texts; empty or NULL leaves that side open.
CREATE TABLE PRECOHOST (
    CDFILIAL      VARCHAR(4)    NOT NULL,
    CDPRODUTO     VARCHAR(20)   NOT NULL,
    CDLOJA        VARCHAR(4)    NOT NULL DEFAULT '',
    CDCLIENTE     VARCHAR(20)   NOT NULL DEFAULT '',
    VRPRECO       NUMERIC(15,2) NOT NULL DEFAULT 0,
    VRDESCONTO    NUMERIC(15,2) NOT NULL DEFAULT 0,
    VRACRESCIMO   NUMERIC(15,2) NOT NULL DEFAULT 0,
    IDPERCVALOR   VARCHAR(1)    NOT NULL DEFAULT 'V',
    IDBLOQUEADO   VARCHAR(1)    NOT NULL DEFAULT 'N',
    HRINIVENDA    VARCHAR(4),
    HRFIMVENDA    VARCHAR(4),
    DTINIVIGENCIA VARCHAR(10),
    DTFIMVIGENCIA VARCHAR(10),
    PRIMARY KEY (CDFILIAL, CDPRODUTO, CDLOJA, CDCLIENTE)
);
