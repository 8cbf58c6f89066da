-- Tables of the reference host itself, beside the module's: the point of sale's menu of
-- combos (how each is priced when sold) and the products the sample shop has a picture
-- for (the picture is drawn when the run folder is built, in the colour given).
CREATE TABLE COMBOHOST (
    CDPRODUTO      VARCHAR(10)   NOT NULL,
    NRORDEM        INTEGER       NOT NULL,
    IDTIPOPRECO    VARCHAR(1)    NOT NULL,
    VRPRECO        NUMERIC(15,2) NOT NULL DEFAULT 0,
    IDTIPOAJUSTE   VARCHAR(1),
    IDVALORPERC    VARCHAR(1),
    VRAJUSTE       NUMERIC(15,2) NOT NULL DEFAULT 0,
    IDAPLICAAJUSTE VARCHAR(1)    NOT NULL DEFAULT 'N',
    DSCOMBO        VARCHAR(80),
    PRIMARY KEY (CDPRODUTO)
);

CREATE TABLE FOTOHOST (
    CDPRODUTO VARCHAR(10) NOT NULL,
    CDCOR     VARCHAR(7)  NOT NULL,
    PRIMARY KEY (CDPRODUTO)
);
